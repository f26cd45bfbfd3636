// How console records reach the handle: the write boundaries (seen through a packet pipe, where
// every write arrives as one packet) and a write failure met by the write that joins a record
// to the line end it owes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "io/statement/statement.h"
#include "io/units/units.h"
#include "os/files.h"
#include "runtime/handles/handles.h"
#include "support/engine_fixture.h"
#include "support/exit_capture.h"

namespace lnc {
namespace {

using test::exit_code_of;

void write_text(const std::string& text) {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    if (!text.empty()) {
        write_item_character(text.data(), static_cast<int>(text.size()));
    }
    end_write();
}

// Standard output of the engine moved onto another descriptor for the test's life.
class MovedOutput {
  public:
    explicit MovedOutput(int fd) : saved_(handle_table.blocks[0][1]) {
        handle_table.blocks[0][1].os_handle = fd;
        os::set_std_handle(1, fd);
    }
    ~MovedOutput() {
        handle_table.blocks[0][1] = saved_;
        os::set_std_handle(1, saved_.os_handle);
    }

  private:
    HandleEntry saved_;
};

class RecordWritesTest : public test::EngineTest {};

TEST_F(RecordWritesTest, RecordGoesOutWithTheLineEndItOwesInOneWrite) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_DIRECT | O_NONBLOCK | O_CLOEXEC), 0);
    start_engine();
    {
        MovedOutput moved(ends[1]);
        write_text("first");
        write_text("second");
        write_text("");
        write_text("third");
        close_all_units();
    }
    std::vector<std::string> packets;
    char packet[4096];
    ssize_t n;
    while ((n = ::read(ends[0], packet, sizeof packet)) > 0) {
        packets.emplace_back(packet, static_cast<std::size_t>(n));
    }
    ::close(ends[0]);
    ::close(ends[1]);
    // An empty record owes only its line end and has nothing to join; the exit ends the last line.
    std::vector<std::string> expected = {"first", "\r\nsecond", "\r\n", "\r\nthird", "\r\n"};
    EXPECT_EQ(packets, expected);
}

TEST_F(RecordWritesTest, FullDeviceAfterAnOpenLineIsReportedByTheWrite) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "needs a device that is always full";
    int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    start_engine();
    write_text("first");
    {
        MovedOutput moved(full);
        EXPECT_EQ(exit_code_of([] { write_text("second"); }), 1);
    }
    ::close(full);
    EXPECT_EQ(output(), "first");
    EXPECT_EQ(error(), "\r\nrun-time error F6422: WRITE(CON)\r\n- no space left on device\r\n");
}

} // namespace
} // namespace lnc
