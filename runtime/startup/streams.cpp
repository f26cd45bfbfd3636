// The stream table of the C-style stream layer: created at start-up, flushed at exit. Nothing in
// this system writes through a stream, so the flush normally finds nothing to write.
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace lnc {

StreamState stream_state{};

namespace {

Stream static_streams[STATIC_STREAMS];

// A stream's pending bytes leave through its handle; a failed write drops them, as the stream
// could not hold them past exit anyway.
void flush_stream(Stream* stream) {
    if (stream->count > 0 && stream->file >= 0 && stream->base != nullptr) {
        write_bytes(stream->file, stream->base, stream->count);
    }
    stream->count = 0;
}

} // namespace

void flush_all_streams() {
    for (int i = 0; i < stream_state.size; ++i) {
        Stream* stream = stream_state.table[i];
        if (stream != nullptr && (stream->flags & STREAM_OPEN) != 0) {
            flush_stream(stream);
            // An exit that returns to a caller leaves the standard streams open for it.
            if (process_state.exit_returns && i >= 3) {
                stream->flags = 0;
            }
        }
    }
}

bool create_stream_table() {
    int size = STREAM_TABLE_SIZE;
    auto* table = static_cast<Stream**>(allocate_zeroed(STREAM_TABLE_SIZE, sizeof(Stream*)));
    if (table == nullptr) {
        size = STATIC_STREAMS;
        table = static_cast<Stream**>(allocate_zeroed(STATIC_STREAMS, sizeof(Stream*)));
    }
    if (table == nullptr) {
        return false;
    }
    for (int i = 0; i < STATIC_STREAMS; ++i) {
        static_streams[i] = Stream{nullptr, 0, 0, -1};
        table[i] = &static_streams[i];
    }
    // The standard streams use handles 0 to 2 unless a handle has no system handle behind it.
    for (int i = 0; i < 3; ++i) {
        bool present = handle_table.blocks[0] != nullptr &&
                       handle_table.blocks[0][i].os_handle != os::NO_HANDLE;
        static_streams[i].file = present ? i : -1;
        static_streams[i].flags = STREAM_OPEN;
    }
    stream_state.table = table;
    stream_state.size = size;
    pre_terminators[0] = flush_all_streams;
    return true;
}

} // namespace lnc
