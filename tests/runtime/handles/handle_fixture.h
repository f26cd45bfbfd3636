// What the handle-layer tests share: a fresh handle table, a scratch directory, and handles
// made over pipes and files that the test creates itself.
#pragma once
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace lnc::test {

class HandleFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(create_process_heap());
        ASSERT_EQ(init_handles(), 0);
        char pattern[] = "/tmp/lncalc-handles-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
        error_code = 0;
        system_error = 0;
        default_mode = 0;
    }
    void TearDown() override {
        // Handles 3 and up are the test's own; 0 to 2 stay with the process.
        for (int h = 3; h < handle_table.handle_count; ++h) {
            if (handle_table.blocks[h / 32][h % 32].mode_flags & H_OPEN) {
                close_handle(h);
            }
        }
        std::filesystem::remove_all(directory_);
    }

    std::string path(const char* name) const { return directory_ + "/" + name; }

    void write_file(const char* name, const std::string& bytes) const {
        FILE* file = std::fopen(path(name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    std::string file_bytes(const char* name) const {
        std::string bytes;
        FILE* file = std::fopen(path(name).c_str(), "rb");
        if (file == nullptr) {
            return "<missing>";
        }
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            bytes.push_back(static_cast<char>(c));
        }
        std::fclose(file);
        return bytes;
    }

    // A handle over a descriptor with the flags given (H_OPEN is added).
    static int adopt(int fd, std::uint8_t flags) {
        int h = allocate_handle();
        EXPECT_GE(h, 3);
        EXPECT_EQ(set_os_handle(h, fd), 0);
        handle_table.blocks[h / 32][h % 32].mode_flags = static_cast<std::uint8_t>(flags | H_OPEN);
        return h;
    }

    // A text-mode handle reading a pipe that holds the bytes given; the writing end is closed.
    static int pipe_holding(const std::string& bytes, std::uint8_t flags = H_TEXT | H_PIPE) {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(ends[1]);
        return adopt(ends[0], flags);
    }

    static std::string read_text(int h, int count) {
        std::string buffer(static_cast<std::size_t>(count), '\0');
        int n = read_bytes(h, buffer.data(), count);
        EXPECT_GE(n, 0) << "error_code " << error_code << " system_error " << system_error;
        buffer.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        return buffer;
    }

    static std::uint8_t flags_of(int h) { return handle_table.blocks[h / 32][h % 32].mode_flags; }

    std::string directory_;
};

// The share code and permission that the run-time never passes, for the tests that try them.
inline constexpr int SHARE_NONE = 0x10;
inline constexpr int PERMIT_READ = 0x0100;

} // namespace lnc::test
