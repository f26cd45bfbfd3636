// The calls that code compiled by flang 19 makes into its run-time, declared here from their
// documented form under names of our own; each declaration carries the symbol the compiled code
// calls. Also the layout of flang's array descriptor and the few symbols of flang's own run-time
// that the program start fills in.
//
// A statement becomes one begin call, which returns a handle, optional specifier calls, one call
// per item and an end call, which returns the statement's status:
//
//     WRITE(*,*,IOSTAT=k) 'x =', x        ! line 12 of calc.f
//
//     handle = begin_external_list_output(6, "calc.f", 12);
//     enable_handlers(handle, true, false, false, false, false);
//     output_ascii(handle, "x =", 3);
//     output_real32(handle, x);
//     k = end_io_statement(handle);
#pragma once
#include <cstddef>
#include <cstdint>

struct EnvironmentDefaultList; // flang's table of environment defaults, passed through unread

namespace lnc::fortran {

struct FrontStatement;
using Handle = FrontStatement*;

// flang's units for '*': a data transfer names the console by these two numbers.
inline constexpr int FLANG_DEFAULT_OUTPUT_UNIT = 6;
inline constexpr int FLANG_DEFAULT_INPUT_UNIT = 5;

// The status values the compiled code tests after the end call.
inline constexpr int IOSTAT_OK = 0;
inline constexpr int IOSTAT_END = -1;
inline constexpr int IOSTAT_EOR = -2;

// ---- Array descriptors ----

// One dimension: lower bound, extent and the distance in bytes between consecutive elements.
struct DescriptorDimension {
    std::ptrdiff_t lower_bound;
    std::ptrdiff_t extent;
    std::ptrdiff_t byte_stride;
};

// The descriptor's fixed part; rank dimensions follow it directly.
struct DescriptorHeader {
    void* base;
    std::size_t element_length; // bytes of one element; the length of a character element
    int version;
    std::uint8_t rank;
    std::int8_t type;
    std::uint8_t attribute;
    std::uint8_t addendum;
};

inline const DescriptorDimension* descriptor_dimensions(const DescriptorHeader& descriptor) {
    return reinterpret_cast<const DescriptorDimension*>(&descriptor + 1);
}

// Type codes of the descriptor (the C interoperability codes that flang gives each kind).
inline constexpr int DESCRIPTOR_INTEGER1 = 7;
inline constexpr int DESCRIPTOR_INTEGER2 = 8;
inline constexpr int DESCRIPTOR_INTEGER4 = 9;
inline constexpr int DESCRIPTOR_LOGICAL1_BYTE = 12;
inline constexpr int DESCRIPTOR_LOGICAL2 = 13;
inline constexpr int DESCRIPTOR_LOGICAL4 = 14;
inline constexpr int DESCRIPTOR_REAL4 = 27;
inline constexpr int DESCRIPTOR_REAL8 = 28;
inline constexpr int DESCRIPTOR_COMPLEX8 = 34;
inline constexpr int DESCRIPTOR_COMPLEX16 = 35;
inline constexpr int DESCRIPTOR_LOGICAL1 = 39;
inline constexpr int DESCRIPTOR_CHARACTER = 40;

struct NamelistGroup;
struct DefinedIoTable;

} // namespace lnc::fortran

// flang's own run-time records the command line and environment at program start; its
// command-line and environment intrinsics read them back.
namespace Fortran::runtime {
struct ExecutionEnvironment {
    void Configure(int argc, const char* argv[], const char* environment[],
                   const EnvironmentDefaultList* defaults);
};
extern ExecutionEnvironment executionEnvironment;
} // namespace Fortran::runtime

// flang's own run-time is still linked for its intrinsics, and its units come with them (its
// crash path flushes them); they refer to two routines that live beside its I/O entry points.
// The front defines both, so that none of flang's I/O entry points is linked.
namespace Fortran::runtime::io {
class IoStatementState;
// The keyword of an INQUIRE specifier from its hash (base 26, letters A to Z after a leading 1),
// into buffer; null when it does not fit.
const char* InquiryKeywordHashDecode(char* buffer, std::size_t capacity, std::uint64_t hash);
// Asked only by flang's own list-directed input, which never runs: every statement is lncalc's.
bool IsNamelistNameOrSlash(IoStatementState& statement);
} // namespace Fortran::runtime::io

// The main program as flang names it.
extern "C" void fortran_main_program() __asm__("_QQmain");

namespace lnc::fortran {
using Int128 = __int128;

extern "C" {

// ---- Program start, end, STOP and PAUSE ----
void program_start(int argc, const char* argv[], const char* environment[],
                   const EnvironmentDefaultList* defaults) __asm__("_FortranAProgramStart");
[[noreturn]] void program_end_statement() __asm__("_FortranAProgramEndStatement");
[[noreturn]] void stop_statement(int code, bool is_error_stop,
                                 bool quiet) __asm__("_FortranAStopStatement");
[[noreturn]] void stop_statement_text(const char* text, std::size_t length, bool is_error_stop,
                                      bool quiet) __asm__("_FortranAStopStatementText");
void pause_statement() __asm__("_FortranAPauseStatement");
void pause_statement_int(int code) __asm__("_FortranAPauseStatementInt");
void pause_statement_text(const char* text,
                          std::size_t length) __asm__("_FortranAPauseStatementText");
[[noreturn]] void fail_image_statement() __asm__("_FortranAFailImageStatement");
[[noreturn]] void exit_statement(int status) __asm__("_FortranAExit");
[[noreturn]] void abort_statement() __asm__("_FortranAAbort");
[[noreturn]] void report_fatal_user_error(const char* message, const char* source,
                                          int line) __asm__("_FortranAReportFatalUserError");
void byteswap_option() __asm__("_FortranAByteswapOption");

// ---- Begin calls: data transfer on external units ----
Handle begin_external_list_output(int unit, const char* file,
                                  int line) __asm__("_FortranAioBeginExternalListOutput");
Handle begin_external_list_input(int unit, const char* file,
                                 int line) __asm__("_FortranAioBeginExternalListInput");
Handle begin_external_formatted_output(const char* format, std::size_t format_length,
                                       const DescriptorHeader* format_descriptor, int unit,
                                       const char* file,
                                       int line) __asm__("_FortranAioBeginExternalFormattedOutput");
Handle begin_external_formatted_input(const char* format, std::size_t format_length,
                                      const DescriptorHeader* format_descriptor, int unit,
                                      const char* file,
                                      int line) __asm__("_FortranAioBeginExternalFormattedInput");
Handle begin_unformatted_output(int unit, const char* file,
                                int line) __asm__("_FortranAioBeginUnformattedOutput");
Handle begin_unformatted_input(int unit, const char* file,
                               int line) __asm__("_FortranAioBeginUnformattedInput");

// ---- Begin calls: internal files ----
Handle
begin_internal_array_list_output(const DescriptorHeader& variable, void** scratch,
                                 std::size_t scratch_bytes, const char* file,
                                 int line) __asm__("_FortranAioBeginInternalArrayListOutput");
Handle begin_internal_array_list_input(const DescriptorHeader& variable, void** scratch,
                                       std::size_t scratch_bytes, const char* file,
                                       int line) __asm__("_FortranAioBeginInternalArrayListInput");
Handle begin_internal_array_formatted_output(
    const DescriptorHeader& variable, const char* format, std::size_t format_length,
    const DescriptorHeader* format_descriptor, void** scratch, std::size_t scratch_bytes,
    const char* file, int line) __asm__("_FortranAioBeginInternalArrayFormattedOutput");
Handle begin_internal_array_formatted_input(
    const DescriptorHeader& variable, const char* format, std::size_t format_length,
    const DescriptorHeader* format_descriptor, void** scratch, std::size_t scratch_bytes,
    const char* file, int line) __asm__("_FortranAioBeginInternalArrayFormattedInput");
Handle begin_internal_list_output(char* variable, std::size_t length, void** scratch,
                                  std::size_t scratch_bytes, const char* file,
                                  int line) __asm__("_FortranAioBeginInternalListOutput");
Handle begin_internal_list_input(const char* variable, std::size_t length, void** scratch,
                                 std::size_t scratch_bytes, const char* file,
                                 int line) __asm__("_FortranAioBeginInternalListInput");
Handle begin_internal_formatted_output(char* variable, std::size_t length, const char* format,
                                       std::size_t format_length,
                                       const DescriptorHeader* format_descriptor, void** scratch,
                                       std::size_t scratch_bytes, const char* file,
                                       int line) __asm__("_FortranAioBeginInternalFormattedOutput");
Handle begin_internal_formatted_input(const char* variable, std::size_t length, const char* format,
                                      std::size_t format_length,
                                      const DescriptorHeader* format_descriptor, void** scratch,
                                      std::size_t scratch_bytes, const char* file,
                                      int line) __asm__("_FortranAioBeginInternalFormattedInput");

// ---- Begin calls: file positioning, connection and inquiry ----
Handle begin_wait(int unit, int id, const char* file, int line) __asm__("_FortranAioBeginWait");
Handle begin_wait_all(int unit, const char* file, int line) __asm__("_FortranAioBeginWaitAll");
Handle begin_close(int unit, const char* file, int line) __asm__("_FortranAioBeginClose");
Handle begin_flush(int unit, const char* file, int line) __asm__("_FortranAioBeginFlush");
Handle begin_backspace(int unit, const char* file, int line) __asm__("_FortranAioBeginBackspace");
Handle begin_endfile(int unit, const char* file, int line) __asm__("_FortranAioBeginEndfile");
Handle begin_rewind(int unit, const char* file, int line) __asm__("_FortranAioBeginRewind");
Handle begin_open_unit(int unit, const char* file, int line) __asm__("_FortranAioBeginOpenUnit");
Handle begin_open_new_unit(const char* file, int line) __asm__("_FortranAioBeginOpenNewUnit");
Handle begin_inquire_unit(int unit, const char* file,
                          int line) __asm__("_FortranAioBeginInquireUnit");
Handle begin_inquire_file(const char* name, std::size_t length, const char* file,
                          int line) __asm__("_FortranAioBeginInquireFile");
Handle begin_inquire_io_length(const char* file,
                               int line) __asm__("_FortranAioBeginInquireIoLength");
int check_unit_number_in_range64(std::int64_t unit, bool handle_error, char* message,
                                 std::size_t message_length, const char* file,
                                 int line) __asm__("_FortranAioCheckUnitNumberInRange64");
int check_unit_number_in_range128(Int128 unit, bool handle_error, char* message,
                                  std::size_t message_length, const char* file,
                                  int line) __asm__("_FortranAioCheckUnitNumberInRange128");

// ---- Specifiers ----
void enable_handlers(Handle handle, bool has_iostat, bool has_err, bool has_end, bool has_eor,
                     bool has_iomsg) __asm__("_FortranAioEnableHandlers");
bool set_advance(Handle handle, const char* text,
                 std::size_t length) __asm__("_FortranAioSetAdvance");
bool set_asynchronous(Handle handle, const char* text,
                      std::size_t length) __asm__("_FortranAioSetAsynchronous");
bool set_blank(Handle handle, const char* text, std::size_t length) __asm__("_FortranAioSetBlank");
bool set_decimal(Handle handle, const char* text,
                 std::size_t length) __asm__("_FortranAioSetDecimal");
bool set_delim(Handle handle, const char* text, std::size_t length) __asm__("_FortranAioSetDelim");
bool set_pad(Handle handle, const char* text, std::size_t length) __asm__("_FortranAioSetPad");
bool set_pos(Handle handle, std::int64_t position) __asm__("_FortranAioSetPos");
bool set_rec(Handle handle, std::int64_t record) __asm__("_FortranAioSetRec");
bool set_round(Handle handle, const char* text, std::size_t length) __asm__("_FortranAioSetRound");
bool set_sign(Handle handle, const char* text, std::size_t length) __asm__("_FortranAioSetSign");
bool set_access(Handle handle, const char* text,
                std::size_t length) __asm__("_FortranAioSetAccess");
bool set_action(Handle handle, const char* text,
                std::size_t length) __asm__("_FortranAioSetAction");
bool set_carriagecontrol(Handle handle, const char* text,
                         std::size_t length) __asm__("_FortranAioSetCarriagecontrol");
bool set_convert(Handle handle, const char* text,
                 std::size_t length) __asm__("_FortranAioSetConvert");
bool set_encoding(Handle handle, const char* text,
                  std::size_t length) __asm__("_FortranAioSetEncoding");
bool set_form(Handle handle, const char* text, std::size_t length) __asm__("_FortranAioSetForm");
bool set_position(Handle handle, const char* text,
                  std::size_t length) __asm__("_FortranAioSetPosition");
bool set_recl(Handle handle, std::size_t length) __asm__("_FortranAioSetRecl");
bool set_status(Handle handle, const char* text,
                std::size_t length) __asm__("_FortranAioSetStatus");
bool set_file(Handle handle, const char* text, std::size_t length) __asm__("_FortranAioSetFile");

// ---- Items ----
bool output_descriptor(Handle handle,
                       const DescriptorHeader& descriptor) __asm__("_FortranAioOutputDescriptor");
bool input_descriptor(Handle handle,
                      const DescriptorHeader& descriptor) __asm__("_FortranAioInputDescriptor");
bool output_integer8(Handle handle, std::int8_t value) __asm__("_FortranAioOutputInteger8");
bool output_integer16(Handle handle, std::int16_t value) __asm__("_FortranAioOutputInteger16");
bool output_integer32(Handle handle, std::int32_t value) __asm__("_FortranAioOutputInteger32");
bool output_integer64(Handle handle, std::int64_t value) __asm__("_FortranAioOutputInteger64");
bool output_integer128(Handle handle, Int128 value) __asm__("_FortranAioOutputInteger128");
bool input_integer(Handle handle, std::int64_t& variable,
                   int kind) __asm__("_FortranAioInputInteger");
bool output_real32(Handle handle, float value) __asm__("_FortranAioOutputReal32");
bool input_real32(Handle handle, float& variable) __asm__("_FortranAioInputReal32");
bool output_real64(Handle handle, double value) __asm__("_FortranAioOutputReal64");
bool input_real64(Handle handle, double& variable) __asm__("_FortranAioInputReal64");
bool output_complex32(Handle handle, float real,
                      float imaginary) __asm__("_FortranAioOutputComplex32");
bool input_complex32(Handle handle, float parts[2]) __asm__("_FortranAioInputComplex32");
bool output_complex64(Handle handle, double real,
                      double imaginary) __asm__("_FortranAioOutputComplex64");
bool input_complex64(Handle handle, double parts[2]) __asm__("_FortranAioInputComplex64");
bool output_character(Handle handle, const char* text, std::size_t length,
                      int kind) __asm__("_FortranAioOutputCharacter");
bool output_ascii(Handle handle, const char* text,
                  std::size_t length) __asm__("_FortranAioOutputAscii");
bool input_character(Handle handle, char* variable, std::size_t length,
                     int kind) __asm__("_FortranAioInputCharacter");
bool input_ascii(Handle handle, char* variable,
                 std::size_t length) __asm__("_FortranAioInputAscii");
bool output_logical(Handle handle, bool value) __asm__("_FortranAioOutputLogical");
bool input_logical(Handle handle, bool& variable) __asm__("_FortranAioInputLogical");
bool output_namelist(Handle handle,
                     const NamelistGroup& group) __asm__("_FortranAioOutputNamelist");
bool input_namelist(Handle handle, const NamelistGroup& group) __asm__("_FortranAioInputNamelist");
bool output_derived_type(Handle handle, const DescriptorHeader& descriptor,
                         const DefinedIoTable* table) __asm__("_FortranAioOutputDerivedType");
bool input_derived_type(Handle handle, const DescriptorHeader& descriptor,
                        const DefinedIoTable* table) __asm__("_FortranAioInputDerivedType");

// ---- Results and inquiries ----
bool get_new_unit(Handle handle, int& unit, int kind) __asm__("_FortranAioGetNewUnit");
std::size_t get_size(Handle handle) __asm__("_FortranAioGetSize");
std::size_t get_io_length(Handle handle) __asm__("_FortranAioGetIoLength");
void get_io_msg(Handle handle, char* message, std::size_t length) __asm__("_FortranAioGetIoMsg");
int get_asynchronous_id(Handle handle) __asm__("_FortranAioGetAsynchronousId");
bool inquire_character(Handle handle, std::uint64_t keyword, char* result,
                       std::size_t length) __asm__("_FortranAioInquireCharacter");
bool inquire_logical(Handle handle, std::uint64_t keyword,
                     bool& result) __asm__("_FortranAioInquireLogical");
bool inquire_pending_id(Handle handle, int id, bool& result) __asm__("_FortranAioInquirePendingId");
bool inquire_integer64(Handle handle, std::uint64_t keyword, std::int64_t& result,
                       int kind) __asm__("_FortranAioInquireInteger64");

int end_io_statement(Handle handle) __asm__("_FortranAioEndIoStatement");

} // extern "C"

} // namespace lnc::fortran
