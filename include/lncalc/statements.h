// The I/O statement calls of the lncalc run-time: list-directed and formatted WRITE and READ on
// the console, on files and on internal files, performed as one begin call, one call per item
// and one end call.
//
// A WRITE is only described until its end call, which lays out and writes its records. The
// statement (in the notation of the compiled language this protocol serves)
//
//     WRITE(*,*) 'n =', n, ' x =', x          ! n a 4-byte integer (42), x a single real (2.5)
//
// becomes
//
//     lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
//     lnc::write_item_character("n =", 3);
//     lnc::write_item_integer4(n);
//     lnc::write_item_character(" x =", 4);
//     lnc::write_item_real4(std::bit_cast<std::uint32_t>(x));
//     lnc::end_write();
//
// and writes the record " n =         42 x =       2.500000". Its first blank is the carriage
// control of the console and is not shown; the line end of a console record is written only
// before the next record, the next READ, a pause, or at exit. Character items stand as they are;
// an integer takes 11 columns, a logical 1, a single real 15, a double real 24, a single complex
// 33 and a double complex 51, each right-justified, with one separating blank when a number or
// logical precedes it in the record. A record is at most 79 columns wide and wraps.
//
// A READ runs item by item: each input-item call takes its value from the input at once. The
// statement
//
//     READ(*,*) k, y                          ! typed: "7, 1.5e2"
//
// becomes
//
//     lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
//     lnc::read_item_integer4(&k);            // reads the line, stores 7 into k
//     lnc::read_item_real4(&y);               // stores 150.0 into y
//     lnc::end_read();                        // drops the rest of the line
//
// Values are separated by blanks, commas or line ends; "r*v" repeats v r times, an empty value
// (",,", or "r*" alone) leaves its item as it was, and "/" ends the list, leaving every later
// item as it was. Complex values are written "(re,im)", logicals by their first letter T or F
// (after an optional point).
//
// A formatted statement names its format text; the text is compiled once, at the first begin
// call that names it. The statement
//
//     WRITE(*,'(A,I4,F8.2)') ' n =', n, x     ! n = 42, x = 2.5
//
// becomes
//
//     lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, "(A,I4,F8.2)", -1, nullptr, 0, 0);
//     lnc::write_item_character(" n =", 4);
//     lnc::write_item_integer4(n);
//     lnc::write_item_real4(std::bit_cast<std::uint32_t>(x));
//     lnc::end_write();
//
// and writes the record " n =  42    2.50": the format places every column, so the record's
// first character is the console's carriage control (a blank: a new line; "0" a blank line
// first, "1" a new page, "+" over the current line) and is not shown. Items take the data edits
// of their type: I for integers, F, E, D, EN and ES for reals (a complex item takes two), L for
// logicals, A for characters, and G for any of them. T, TL, TR and X move within the record, "/"
// ends it, and at the format's end the items go on from its last top-level group in a new
// record. A text that does not compile fails the statement, as a WRITE or READ, when it runs.
//
//     READ(*,'(I3,1X,F5.1)') k, y             ! typed: " 12 3.5"
//
// becomes begin_read(lnc::DEFAULT_UNIT_READ, "(I3,1X,F5.1)", -1, nullptr, 0, nullptr, 0), then
// read_item_integer4(&k) (stores 12), read_item_real4(&y) (stores 3.5) and end_read(). Each
// typed line is one record, read as if padded with blanks to any width the format asks for.
//
// An internal file is a character variable, or an array of them, one record per element:
//
//     CHARACTER*8 LINE(2)
//     WRITE(LINE,'(I3/A)') 7, 'ab'
//
// becomes
//
//     lnc::begin_write_internal(line, 8, 2, "(I3/A)", -1, 0);
//     lnc::write_item_integer4(7);
//     lnc::write_item_character("ab", 2);
//     lnc::end_write();
//
// and leaves "  7     " and "ab      " in the two elements (records are filled with blanks;
// internal records have no carriage control). A byte written past the last record fails the
// statement with error 6600 and leaves the bytes beside the variable alone. begin_read_internal
// reads the elements the same way; with format null both are list-directed.
//
// A file opened with FORM='UNFORMATTED' (lncalc/files.h) takes unformatted statements: their
// own begin calls, and the items of the other statements. Each item goes to the file as the
// bytes it is stored in (a LOGICAL*1 item one byte, an array all its elements); one WRITE is
// one record. On a sequential file the record stands between two 4-byte little-endian copies of
// its length, as gfortran and flang write it:
//
//     INTEGER*4 N(3)                           ! 1, 2, 3
//     WRITE(20) 'ab', 2.5, N
//
//     lnc::begin_write_unformatted(20, 0);
//     lnc::write_item_character("ab", 2);
//     lnc::write_item_real4(std::bit_cast<std::uint32_t>(2.5f));
//     lnc::write_item_array(lnc::TYPE_INTEGER4, n, 0, 3);
//     lnc::end_write();                        // 12 00 00 00, the 18 bytes, 12 00 00 00
//
// A READ takes one record: items take its bytes in order and the rest of the record is passed
// over; an item that would run past the record's end takes nothing and fails the statement
// (error 6776). A length that runs past the file, or two lengths of a record that differ, fail
// it with error 6773; at the end of the file the READ meets its end of file (status -1).
//
// On a direct-access file (ACCESS='DIRECT') every READ and WRITE names its record with
// set_record_number, made after the begin call and before the first item (or the end call):
//
//     WRITE(21, REC=7) X                       ! a double real
//
//     lnc::begin_write_unformatted(21, 0);
//     lnc::set_record_number(7);
//     lnc::write_item_real8(std::bit_cast<std::uint64_t>(x));
//     lnc::end_write();                        // record 7: the 8 bytes, zeros up to RECL
//
//     READ(22, '(I5)', REC=n) K                ! formatted direct access: RECL characters
//
//     lnc::begin_read(22, "(I5)", -1, nullptr, 0, nullptr, 0);
//     lnc::set_record_number(n);
//     lnc::read_item_integer4(&k);
//     lnc::end_read();
//
// Records may be written and read in any order; the file keeps NEXTREC (the record after the
// last one transferred) for INQUIRE. A record number below 1 fails the statement (error 6311),
// and so does reading a record that was never written (6734), a record number on a sequential
// unit (6203), a direct-access statement without one or a list-directed one (6202), an
// unformatted record longer than RECL (6731) and a formatted one of more than RECL characters
// (6731, before anything is written). Unformatted transfer on a formatted unit fails with error
// 6201, formatted or list-directed transfer on an unformatted unit with 6200; a READ from a file
// opened with ACTION='WRITE' with 6425, a WRITE to one opened with ACTION='READ' with 6424.
//
// Status: every call returns an int. With flags 0 a failing statement never returns: the
// run-time writes its numbered report to standard error and ends the process with exit code 1.
// A statement that handles its errors itself (begin_write flags bit 0; begin_read flags bit 2
// for errors, bit 0 for end of file, bit 1 for end of record) gets the status back from the
// failing call and from its end call instead: the error number, -1 at end of file, -2 at end of
// record. Item calls of a WRITE return 0. A begin call that refuses its arguments (a unit
// outside -32767..32767, an ADVANCE= text other than "YES" or "NO", a size variable without
// ADVANCE="NO", a tenth waiting statement) reports and ends the process even when its flag bits
// ask for errors back; only flags -1 silences it, and then the begin call and the end call
// return the refusal's status (the item calls between them do nothing).
//
// The calls may be used only while the run-time runs, that is inside the main routine that
// process_entry (lncalc/entry.h) calls. A begin call may be made while another statement is
// being built (for example in a function that computes an item of an outer WRITE): the inner
// statement runs completely at its end call and the outer one goes on afterwards; at most nine
// statements may wait in this way inside an outer one.
#pragma once
#include <cstdint>

namespace lnc {

// The unit '*', the console: the unit argument of the begin calls.
inline constexpr int DEFAULT_UNIT_WRITE = -34000;
inline constexpr int DEFAULT_UNIT_READ = -33000;

// Type codes of items, as array items name them.
inline constexpr int TYPE_INTEGER1 = 1;
inline constexpr int TYPE_INTEGER2 = 2;
inline constexpr int TYPE_INTEGER4 = 3;
inline constexpr int TYPE_LOGICAL1 = 6;
inline constexpr int TYPE_LOGICAL2 = 7;
inline constexpr int TYPE_LOGICAL4 = 8;
inline constexpr int TYPE_CHARACTER = 10;
inline constexpr int TYPE_REAL4 = 11;
inline constexpr int TYPE_REAL8 = 12;
inline constexpr int TYPE_COMPLEX8 = 14;
inline constexpr int TYPE_COMPLEX16 = 15;

// Begin calls. unit: DEFAULT_UNIT_WRITE / DEFAULT_UNIT_READ, or a unit number -32767..32767.
// format: null for list-directed transfer, or the text of a format of format_length characters
// (-1: up to its NUL). advance: null,
// or "YES" / "NO" (non-advancing). size_variable (READ): null, or an int of a non-advancing
// READ; the begin call stores 0 into it, and list-directed input leaves it at 0 (it does not
// count the characters transferred). The run-time keeps no hold on it after the begin call.
// begin_write and begin_read choose between two forms of each by their format: a call whose
// format is null where it is written reaches only the list-directed form, so a program whose
// statements are all list-directed carries neither the format compiler nor formatted transfer.
int begin_write_list_directed(int unit, const char* advance, int advance_length, int flags);
int begin_read_list_directed(int unit, const char* advance, int advance_length,
                             std::int32_t* size_variable, int flags);
int begin_write_formatted(int unit, const char* format, int format_length, const char* advance,
                          int advance_length, int flags);
int begin_read_formatted(int unit, const char* format, int format_length, const char* advance,
                         int advance_length, std::int32_t* size_variable, int flags);

inline int begin_write(int unit, const char* format, int format_length, const char* advance,
                       int advance_length, int flags) {
    if (format == nullptr)
        return begin_write_list_directed(unit, advance, advance_length, flags);
    return begin_write_formatted(unit, format, format_length, advance, advance_length, flags);
}

inline int begin_read(int unit, const char* format, int format_length, const char* advance,
                      int advance_length, std::int32_t* size_variable, int flags) {
    if (format == nullptr)
        return begin_read_list_directed(unit, advance, advance_length, size_variable, flags);
    return begin_read_formatted(unit, format, format_length, advance, advance_length, size_variable,
                                flags);
}

// Unformatted statements on unit (a unit number -32767..32767); flags as for begin_write and
// begin_read. The items are the item calls below.
int begin_write_unformatted(int unit, int flags);
int begin_read_unformatted(int unit, int flags);
// REC= of the statement just begun: made after its begin call and before its first item or
// its end call. Made later, twice, or for an internal file, it fails the statement when it runs
// (error 6762, or 6203 for an internal file); made outside a statement, it is reported.
int set_record_number(std::int32_t record);

// Internal files: the statement's unit is a character variable of element_count elements of
// element_length characters each, one record per element (element_count 1 for a single
// variable). format as for the begin calls above (null: list-directed). flags: bit 0 the WRITE
// handles errors itself; for the READ bit 0 end of file and bit 2 errors, as begin_read.
int begin_write_internal(char* variable, int element_length, int element_count, const char* format,
                         int format_length, int flags);
int begin_read_internal(const char* variable, int element_length, int element_count,
                        const char* format, int format_length, int flags);

// Output items, by value: the WRITE prints the value each item had when its call was made.
// Reals and complex parts travel as their bit patterns (std::bit_cast). A logical is true when
// its low byte is not 0.
int write_item_integer1(std::int8_t value);
int write_item_integer2(std::int16_t value);
int write_item_integer4(std::int32_t value);
int write_item_logical1(int value);
int write_item_logical2(int value);
int write_item_logical4(std::int32_t value);
int write_item_real4(std::uint32_t bits);
int write_item_real8(std::uint64_t bits);
int write_item_complex8(std::uint32_t real_bits, std::uint32_t imaginary_bits);
int write_item_complex16(std::uint64_t real_bits, std::uint64_t imaginary_bits);
// length characters from text, copied at the call; a negative length is an empty string.
int write_item_character(const char* text, int length);
int write_item_character_raw(const char* text, int length);

// Input items, by reference: each stores its value before it returns. A logical item is set to
// true first, so an empty value reads as true; that happens at the item call even when a "/"
// has already ended the list or the statement has already failed (only an item of a statement
// whose begin call refused is left alone). Complex items are two parts in a row.
int read_item_integer1(std::int8_t* variable);
int read_item_integer2(std::int16_t* variable);
int read_item_integer4(std::int32_t* variable);
int read_item_logical1(std::int8_t* variable);
int read_item_logical2(std::int16_t* variable);
int read_item_logical4(std::int32_t* variable);
int read_item_character(char* variable, int length);
int read_item_real4(float* variable);
int read_item_real8(double* variable);
int read_item_complex8(float* variable);
int read_item_complex16(double* variable);

// Array items: count elements of one type code stored one after another at elements (a
// character element is element_length characters; element_length is ignored for other types).
// The elements go out, or come in, in storage order, one field each, as if each were an item of
// its own. A WRITE copies the elements at the call, like every output item; a READ stores into
// them at once and sets logical elements to true first. A type code outside the list above
// fails the statement with error 6781, a negative count or an array too large to describe with
// error 6780.
int write_item_array(int type, const void* elements, int element_length, int count);
// The same without the copy, for an array that outlives the statement (a variable): only its
// address is kept, and the end call writes what the elements hold then, so they must stay in
// place until it. A large array goes out without a second copy of itself in memory.
int write_item_array_by_reference(int type, const void* elements, int element_length, int count);
int read_item_array(int type, void* elements, int element_length, int count);

int end_write();
int end_read();

// Ends the open console line, shows length characters of message, reads one reply line and,
// when the reply (without trailing blanks and tabs) has two or more characters, runs it as a
// command through the command interpreter and waits for it.
void pause_statement(int length, const char* message);

} // namespace lnc
