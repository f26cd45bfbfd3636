// The run-time prepared for one fuzz input, in the process of the fuzzer: the private heap and
// the handle table (once), standard input holding the input's bytes (a pipe or a disk file),
// standard output and error on scratch files, and fresh units and statement engine. The end of
// the process (a run-time error report) comes back as a return instead of ending the fuzzer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace lnc::fuzz {

enum class Input { Pipe, File };

// Runs body on a prepared run-time whose standard input holds `input`; returns the exit code
// the body ended the process with, or NOT_EXITED when it returned.
inline constexpr int NOT_EXITED = -1000;
int run_engine(const std::uint8_t* input, std::size_t size, Input kind,
               const std::function<void()>& body);

// What the run wrote to standard output and to standard error.
std::string standard_output();
std::string standard_error();

// A descriptor holding bytes: a pipe already closed behind them, or a file at offset 0.
int descriptor_holding(const std::uint8_t* bytes, std::size_t size, Input kind);

// The heap and the handle table, once per process.
void prepare_runtime();

// What each input gave, for the replay of the corpora (fuzz/replay.cpp), whose digests are
// compared between builds on different floating-point units: once noting has started, each
// target notes its results and run_engine the exit code and the bytes the run wrote. The
// fuzzer itself never starts noting, so its runs pay nothing for it.
void start_noting();
void note_result(const void* bytes, std::size_t size);
std::string take_noted_results();

// Stops the fuzzer with a message when a property of the code under test does not hold.
[[noreturn]] void fail(const std::string& message);

} // namespace lnc::fuzz
