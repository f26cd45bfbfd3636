// The begin calls that name a format, and those of internal files, which take one too: only they
// bring the format compiler and the formatted drivers into a program.
#include "io/statement/statement.h"
#include "io/statement/statement_internal.h"

namespace lnc {

namespace {

// The interpreter's tables keep the drivers once they are in.
bool drivers_in = false;

[[gnu::always_inline]] inline void take_format(BeginRequest& request, const char* format,
                                               int format_length) {
    request.format = format;
    request.format_length = format_length;
    request.compile_format = compile_format_text;
    if (!drivers_in) {
        use_drivers(MODE_FORMATTED, formatted_write, formatted_read);
        drivers_in = true;
    }
}

// An internal file's request, with its format if it has one; 0, or the refusal's status.
[[gnu::always_inline]] inline int prepare_internal(BeginRequest& request, const char* variable,
                                                   int element_length, int element_count,
                                                   const char* format, int format_length,
                                                   int flags) {
    int refused = check_internal_file(variable, element_length, element_count, flags, &request);
    if (refused == 0 && format != nullptr)
        take_format(request, format, format_length);
    return refused;
}

} // namespace

int begin_write_formatted(int unit, const char* format, int format_length, const char* advance,
                          int advance_length, int flags) {
    BeginRequest request{};
    take_format(request, format, format_length);
    return begin_external_write(request, unit, advance, advance_length, flags);
}

int begin_read_formatted(int unit, const char* format, int format_length, const char* advance,
                         int advance_length, std::int32_t* size_variable, int flags) {
    BeginRequest request{};
    take_format(request, format, format_length);
    return begin_external_read(request, unit, advance, advance_length, size_variable, flags);
}

int begin_write_internal(char* variable, int element_length, int element_count, const char* format,
                         int format_length, int flags) {
    BeginRequest request{};
    int refused = prepare_internal(request, variable, element_length, element_count, format,
                                   format_length, flags);
    return refused != 0 ? refused : start_write_list(request, flags);
}

int begin_read_internal(const char* variable, int element_length, int element_count,
                        const char* format, int format_length, int flags) {
    BeginRequest request{};
    int refused = prepare_internal(request, variable, element_length, element_count, format,
                                   format_length, flags);
    return refused != 0 ? refused : start_read_list(request, flags);
}

} // namespace lnc
