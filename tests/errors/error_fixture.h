// Shared set-up of the error report tests: a clean error state, a console block as the current
// unit, standard error captured and the process end turned into an exception.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"
#include "support/exit_capture.h"
#include "support/handle_capture.h"

namespace lnc::test {

class ErrorReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_output_block_ = unit_table[ENTRY_CONSOLE_OUTPUT].block;
        unit_table[ENTRY_CONSOLE_OUTPUT].block = nullptr;
        saved_current_ = current_unit;
        saved_engine_ = engine;
        saved_calls_ = call_site_list;
        call_site_list = nullptr;
        std::memset(&error_state, 0, sizeof error_state);
        std::memset(&fp_error_state, 0, sizeof fp_error_state);
        std::memset(&block_, 0, sizeof block_);
        block_.name = name_;
        block_.organisation = 1;
        block_.buffer = buffer_;
        block_.size = CONSOLE_BUFFER_SIZE;
        block_.pos = 4;
        block_.last = 9;
        current_unit = &block_;
    }

    void TearDown() override {
        unit_table[ENTRY_CONSOLE_OUTPUT].block = saved_output_block_;
        current_unit = saved_current_;
        engine = saved_engine_;
        call_site_list = saved_calls_;
        std::memset(&error_state, 0, sizeof error_state);
    }

    // Runs body, which must unwind; the status it unwound with.
    static int unwind_status(const std::function<void()>& body) {
        try {
            body();
        } catch (const StatementUnwind& unwind) {
            return unwind.status;
        }
        ADD_FAILURE() << "the raise did not unwind";
        return 0;
    }

    HandleCapture capture_;
    UnitBlock block_;
    char name_[4] = "CON";
    std::uint8_t buffer_[CONSOLE_BUFFER_SIZE] = {};

  private:
    UnitBlock* saved_output_block_ = nullptr;
    UnitBlock* saved_current_ = nullptr;
    StatementEngine saved_engine_ = {};
    CallSiteRecord* saved_calls_ = nullptr;
};

} // namespace lnc::test
