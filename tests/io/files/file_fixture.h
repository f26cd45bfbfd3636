// File statements run through their public calls, each test in a scratch directory of its own
// that is the current directory while the test runs.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "errors/errors.h"
#include "lncalc/files.h"
#include "lncalc/statements.h"
#include "support/engine_fixture.h"
#include "support/exit_capture.h"

namespace lnc::test {

// One specifier of OPEN by name: {"STATUS", "OLD"}; RECL's value is given in decimal.
using Specifiers = std::vector<std::pair<std::string, std::string>>;

inline int open_unit(int unit, const Specifiers& specifiers, int flags = 0) {
    begin_open(unit, flags);
    for (const auto& [name, value] : specifiers) {
        const char* text = value.c_str();
        int length = static_cast<int>(value.size());
        if (name == "FILE")
            open_file_name(text, length);
        if (name == "STATUS")
            open_status(text, length);
        if (name == "ACCESS")
            open_access(text, length);
        if (name == "FORM")
            open_form(text, length);
        if (name == "RECL")
            open_recl(std::stoi(value));
        if (name == "BLANK")
            open_blank(text, length);
        if (name == "POSITION")
            open_position(text, length);
        if (name == "ACTION")
            open_action(text, length);
    }
    return end_open();
}

inline int close_unit_with(int unit, const char* status = nullptr, int flags = 0) {
    begin_close(unit, flags);
    if (status != nullptr)
        close_status(status, -1);
    return end_close();
}

inline void write_line(int unit, const std::string& text) {
    begin_write(unit, nullptr, 0, nullptr, 0, 0);
    write_item_character(text.data(), static_cast<int>(text.size()));
    end_write();
}

// The status of a list-directed READ of one integer with an end branch.
inline int read_integer(int unit, std::int32_t* value) {
    begin_read(unit, nullptr, 0, nullptr, 0, nullptr, 1);
    read_item_integer4(value);
    return end_read();
}

inline std::string file_text(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void make_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline int error_number(int index) {
    return 6000 + ErrorNumberTable[index];
}

class FileTest : public EngineTest {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        directory_ =
            std::filesystem::temp_directory_path() /
            ("lncalc_files_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(directory_);
        std::filesystem::create_directories(directory_);
        std::filesystem::current_path(directory_);
    }
    void TearDown() override {
        EngineTest::TearDown();
        std::filesystem::current_path(previous_);
        std::filesystem::permissions(directory_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(directory_);
    }

    std::filesystem::path previous_;
    std::filesystem::path directory_;
};

} // namespace lnc::test
