// The handle table: start-up from the standard handles, inherited handles, allocation across
// blocks, the slot operations, modes and closing.
#include <climits>
#include <cstring>
#include <string>

#include "handle_fixture.h"
#include "os/files.h"
#include "support/handle_capture.h"

namespace lnc::test {
namespace {

class TableTest : public HandleFixture {
  protected:
    void TearDown() override {
        for (int h = 0; h < 3; ++h) {
            os::set_std_handle(h, h);
        }
        HandleFixture::TearDown();
        init_handles();
        fail_allocation_after(0);
    }
    static HandleEntry& entry(int h) { return handle_table.blocks[h / 32][h % 32]; }
};

TEST_F(TableTest, StartUpTakesTheStandardHandlesWithTheirKinds) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    int null_device = ::open("/dev/null", O_WRONLY);
    os::set_std_handle(0, ends[0]);
    os::set_std_handle(1, null_device);
    os::set_std_handle(2, os::NO_HANDLE);
    ASSERT_EQ(init_handles(), 0);
    EXPECT_EQ(handle_table.handle_count, 32);
    EXPECT_EQ(entry(0).os_handle, ends[0]);
    EXPECT_EQ(entry(0).mode_flags, H_OPEN | H_TEXT | H_PIPE);
    EXPECT_EQ(entry(1).os_handle, null_device);
    EXPECT_EQ(entry(1).mode_flags, H_OPEN | H_TEXT | H_DEVICE);
    // No standard error: open all the same, as a device without a handle.
    EXPECT_EQ(entry(2).os_handle, os::NO_HANDLE);
    EXPECT_EQ(entry(2).mode_flags, H_OPEN | H_TEXT | H_DEVICE);
    for (int h = 3; h < 32; ++h) {
        EXPECT_EQ(entry(h).os_handle, os::NO_HANDLE);
        EXPECT_EQ(entry(h).mode_flags, 0);
        EXPECT_EQ(entry(h).lookahead, '\n');
    }
    ::close(ends[0]);
    ::close(ends[1]);
    ::close(null_device);
}

TEST_F(TableTest, StartUpGivesADiskFileNeitherDeviceNorPipe) {
    write_file("in.txt", "x");
    int fd = ::open(path("in.txt").c_str(), O_RDONLY);
    int directory = ::open(directory_.c_str(), O_RDONLY);
    os::set_std_handle(0, fd);
    os::set_std_handle(1, directory); // a handle of unknown kind counts as none
    ASSERT_EQ(init_handles(), 0);
    EXPECT_EQ(entry(0).mode_flags, H_OPEN | H_TEXT);
    EXPECT_EQ(entry(1).os_handle, os::NO_HANDLE);
    EXPECT_EQ(entry(1).mode_flags, H_OPEN | H_TEXT | H_DEVICE);
    ::close(fd);
    ::close(directory);
}

TEST_F(TableTest, InheritedHandlesAreTakenWithTheirFlags) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    int closed = ::dup(ends[1]);
    ::close(closed);
    constexpr std::uint32_t count = 40;
    std::uint8_t block[4 + count * 5];
    std::memcpy(block, &count, 4);
    std::uint8_t* flags = block + 4;
    std::uint8_t* handles = flags + count;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::int32_t handle = -1;
        flags[i] = H_OPEN;
        if (i == 35) {
            handle = ends[0];
            flags[i] = H_OPEN | H_PIPE | H_TEXT;
        } else if (i == 36) {
            handle = closed; // not a handle any more
        } else if (i == 37) {
            handle = ends[1];
            flags[i] = H_PIPE; // not marked open by the parent
        }
        std::memcpy(handles + 4 * i, &handle, 4);
    }
    adopt_inherited_handles(block, sizeof block);
    EXPECT_EQ(handle_table.handle_count, 64);
    EXPECT_EQ(entry(35).os_handle, ends[0]);
    EXPECT_EQ(entry(35).mode_flags, H_OPEN | H_PIPE | H_TEXT);
    EXPECT_EQ(entry(36).os_handle, os::NO_HANDLE);
    EXPECT_EQ(entry(37).os_handle, os::NO_HANDLE);
    EXPECT_EQ(entry(34).mode_flags, 0);
    EXPECT_EQ(allocate_handle(), 3);
    ::close(ends[1]);
}

TEST_F(TableTest, AnInheritedBlockShorterThanItsCountIsReadOnlyAsFarAsItGoes) {
    // Claims 4 billion handles in 14 bytes: two entries fit.
    std::uint8_t block[14] = {0xFF, 0xFF, 0xFF, 0xFF};
    std::memset(block + 4, 0, sizeof block - 4);
    adopt_inherited_handles(block, sizeof block);
    EXPECT_EQ(handle_table.handle_count, 32);
    adopt_inherited_handles(block, 3);
    EXPECT_EQ(handle_table.handle_count, 32);
}

TEST_F(TableTest, AllocationTakesTheLowestFreeSlotAndAddsBlocks) {
    EXPECT_EQ(allocate_handle(), 3);
    EXPECT_EQ(allocate_handle(), 3); // allocation alone does not take the slot
    for (int h = 3; h < 32; ++h) {
        entry(h).mode_flags = H_OPEN;
    }
    EXPECT_EQ(allocate_handle(), 32);
    EXPECT_EQ(handle_table.handle_count, 64);
    entry(10).mode_flags = 0;
    EXPECT_EQ(allocate_handle(), 10);
}

TEST_F(TableTest, TheTableEndsAt2048Handles) {
    for (int h = 3; h < 2048; ++h) {
        int got = allocate_handle();
        ASSERT_EQ(got, h);
        entry(got).mode_flags = H_OPEN;
    }
    EXPECT_EQ(handle_table.handle_count, 2048);
    EXPECT_EQ(allocate_handle(), -1);
    EXPECT_EQ(error_code, 24);
    EXPECT_EQ(open_file(path("x").c_str(), OPEN_CREATE | OPEN_WRITE_ONLY, SHARE_READ_WRITE, 0x180),
              -1);
    EXPECT_EQ(error_code, 24);
    EXPECT_EQ(system_error, 0u);
}

// Every call of the layer that takes a handle, with what it answers a handle it refuses.
struct HandleCall {
    const char* name;
    long (*call)(int h);
    long refused;
    bool sets_error; // is_device answers false and leaves the error words alone
};

const HandleCall HANDLE_CALLS[] = {
    {"read_bytes",
     [](int h) -> long {
         char b[4];
         return read_bytes(h, b, 4);
     },
     -1, true},
    {"write_bytes", [](int h) -> long { return write_bytes(h, "ab", 2); }, -1, true},
    {"seek", [](int h) -> long { return seek(h, 0, 1); }, -1, true},
    {"change_size", [](int h) -> long { return change_size(h, 0); }, -1, true},
    {"close_handle", [](int h) -> long { return close_handle(h); }, -1, true},
    {"set_mode", [](int h) -> long { return set_mode(h, MODE_BINARY); }, -1, true},
    {"get_os_handle", [](int h) -> long { return get_os_handle(h); }, os::NO_HANDLE, true},
    {"set_os_handle", [](int h) -> long { return set_os_handle(h, 1); }, -1, true},
    {"free_os_handle", [](int h) -> long { return free_os_handle(h); }, -1, true},
    {"is_device", [](int h) -> long { return is_device(h) ? 1 : 0; }, 0, false},
};

void expect_every_call_refuses(std::initializer_list<int> handles) {
    for (const HandleCall& c : HANDLE_CALLS) {
        for (int h : handles) {
            SCOPED_TRACE(std::string(c.name) + "(" + std::to_string(h) + ")");
            error_code = 0;
            system_error = 77;
            EXPECT_EQ(c.call(h), c.refused);
            EXPECT_EQ(error_code, c.sets_error ? 9 : 0);
            EXPECT_EQ(system_error, c.sets_error ? 0u : 77u);
        }
    }
}

TEST_F(TableTest, EveryCallRefusesAHandleOutsideTheTableItHas) {
    expect_every_call_refuses({-1, INT_MIN, 32, 33, 2047, 2048});
    for (int h = 3; h < 2048; ++h) {
        ASSERT_EQ(allocate_handle(), h);
        entry(h).mode_flags = H_OPEN | H_DEVICE;
    }
    expect_every_call_refuses({-1, -32, INT_MIN, 2048, 2049, 2080, 4096, INT_MAX});
    // The last slot of the full table is a handle like any other.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    entry(2047).mode_flags = H_OPEN | H_PIPE;
    ASSERT_EQ(set_os_handle(2047, ends[1]), 0);
    EXPECT_EQ(write_bytes(2047, "ab", 2), 2);
    EXPECT_EQ(set_mode(2047, MODE_TEXT), MODE_BINARY);
    EXPECT_EQ(close_handle(2047), 0);
    ::close(ends[0]);
}

TEST_F(TableTest, NoMemoryForABlockFailsTheAllocation) {
    for (int h = 3; h < 32; ++h) {
        entry(h).mode_flags = H_OPEN;
    }
    fail_allocation_after(1);
    EXPECT_EQ(allocate_handle(), -1);
    EXPECT_EQ(handle_table.handle_count, 32);
    EXPECT_EQ(allocate_handle(), 32);
}

TEST_F(TableTest, SlotOperationsCheckTheirHandle) {
    int fd = ::dup(1);
    EXPECT_EQ(set_os_handle(-1, fd), -1);
    EXPECT_EQ(set_os_handle(32, fd), -1);
    EXPECT_EQ(error_code, 9);
    EXPECT_EQ(set_os_handle(5, fd), 0);
    error_code = 0;
    EXPECT_EQ(set_os_handle(5, fd), -1); // already filled
    EXPECT_EQ(error_code, 9);
    // Not open: the handle is there but not usable.
    EXPECT_EQ(get_os_handle(5), os::NO_HANDLE);
    entry(5).mode_flags = H_OPEN;
    EXPECT_EQ(get_os_handle(5), fd);
    EXPECT_EQ(free_os_handle(5), 0);
    EXPECT_EQ(entry(5).os_handle, os::NO_HANDLE);
    EXPECT_EQ(free_os_handle(5), -1);
    EXPECT_EQ(get_os_handle(4000), os::NO_HANDLE);
    EXPECT_EQ(error_code, 9);
    ::close(fd);
}

TEST_F(TableTest, StandardSlotsFollowTheProcessStandardHandles) {
    int fd = ::dup(1);
    EXPECT_EQ(free_os_handle(1), 0);
    EXPECT_EQ(os::get_std_handle(1), os::NO_HANDLE);
    EXPECT_EQ(set_os_handle(1, fd), 0);
    EXPECT_EQ(os::get_std_handle(1), fd);
    EXPECT_EQ(set_os_handle(3, fd + 100), 0);
    EXPECT_EQ(os::get_std_handle(1), fd); // only 0 to 2 are standard
    entry(3) = {os::NO_HANDLE, 0, '\n'};
    ::close(fd);
}

TEST_F(TableTest, IsDeviceNeedsTheDeviceFlagInRange) {
    entry(4).mode_flags = H_DEVICE;
    entry(5).mode_flags = H_OPEN | H_PIPE;
    EXPECT_TRUE(is_device(4));
    EXPECT_FALSE(is_device(5));
    EXPECT_FALSE(is_device(-1));
    EXPECT_FALSE(is_device(32));
    entry(4).mode_flags = 0;
    entry(5).mode_flags = 0;
}

TEST_F(TableTest, SetModeSwitchesTextAndTellsThePreviousMode) {
    int h = pipe_holding("");
    EXPECT_EQ(set_mode(h, MODE_BINARY), MODE_TEXT);
    EXPECT_FALSE(flags_of(h) & H_TEXT);
    EXPECT_EQ(set_mode(h, MODE_BINARY), MODE_BINARY);
    EXPECT_EQ(set_mode(h, MODE_TEXT), MODE_BINARY);
    EXPECT_TRUE(flags_of(h) & H_TEXT);
    EXPECT_TRUE(flags_of(h) & H_PIPE); // other bits stay
    for (int mode : {0, 0x4001, MODE_TEXT | MODE_BINARY, 0x10000}) {
        error_code = 0;
        EXPECT_EQ(set_mode(h, mode), -1) << mode;
        EXPECT_EQ(error_code, 22);
    }
    EXPECT_TRUE(flags_of(h) & H_TEXT);
    EXPECT_EQ(set_mode(20, MODE_TEXT), -1);
    EXPECT_EQ(error_code, 9);
}

TEST_F(TableTest, ClosingErrorOutputSharedWithOutputKeepsOutputWorking) {
    CaptureOptions options;
    options.output_shares_error = true;
    HandleCapture capture(options);
    EXPECT_EQ(close_handle(2), 0);
    EXPECT_EQ(flags_of(2), 0);
    EXPECT_EQ(get_os_handle(2), os::NO_HANDLE);
    EXPECT_EQ(write_bytes(1, "still", 5), 5);
    EXPECT_EQ(capture.output(), "still");
    EXPECT_EQ(close_handle(1), 0);
    EXPECT_EQ(write_bytes(1, "gone", 4), -1);
    EXPECT_EQ(error_code, 9);
}

TEST_F(TableTest, ClosingFreesTheSlotEvenWhenTheSystemRefuses) {
    int h = pipe_holding("ab\rc");
    EXPECT_EQ(read_text(h, 3), "ab\r"); // leaves a lookahead byte
    EXPECT_EQ(close_handle(h), 0);
    EXPECT_EQ(entry(h).os_handle, os::NO_HANDLE);
    EXPECT_EQ(entry(h).lookahead, '\n');
    EXPECT_EQ(close_handle(h), -1);
    EXPECT_EQ(error_code, 9);
    int fd = ::dup(1);
    ::close(fd);
    h = adopt(fd, H_PIPE); // the descriptor is already gone
    EXPECT_EQ(close_handle(h), -1);
    EXPECT_EQ(error_code, 9);
    EXPECT_EQ(system_error, 6u);
    EXPECT_EQ(flags_of(h), 0);
}

} // namespace
} // namespace lnc::test
