// The file statements of the lncalc run-time: OPEN, CLOSE, INQUIRE, REWIND, BACKSPACE, ENDFILE
// and FLUSH, each performed as one begin call, one call per specifier and one end call that
// performs the statement and returns its status. The specifier calls may come in any order.
//
// The statement (in the notation of the compiled language this protocol serves)
//
//     OPEN(10, FILE='data.txt', STATUS='OLD', ACTION='READ', IOSTAT=ios)
//
// becomes
//
//     lnc::begin_open(10, 1);                  // flags bit 0: IOSTAT= or ERR= given
//     lnc::open_file_name("data.txt", 8);
//     lnc::open_status("OLD", 3);
//     lnc::open_action("READ", 4);
//     ios = lnc::end_open();                   // 0, or the error number (6416: not found)
//
// Keyword values are matched whatever their case, trailing blanks ignored ("old  " is OLD); a
// value the statement does not know is reported by the end call with the message for that
// specifier. A file name keeps no leading or trailing blanks; one of more than 259 characters is
// refused. OPEN connects formatted sequential files (each record ends with CR LF; input takes LF
// alone too), formatted and unformatted direct-access files and unformatted sequential files
// (each record between two 4-byte little-endian lengths). A name such as "CON", "NUL" or "PRN"
// connects a device. Defaults: STATUS='UNKNOWN', ACCESS='SEQUENTIAL', FORM='FORMATTED'
// ('UNFORMATTED' for direct access), BLANK='NULL', POSITION='ASIS', ACTION: read and write,
// or read only when the file allows no more. Without FILE= a scratch file gets a name of its own
// and any other file is named by the next command-line argument or asked for at the console;
// when the console's input has ended before a name was given, the file is fort.N (N the unit).
//
//     CLOSE(10, STATUS='DELETE')
//
//     lnc::begin_close(10, 0);
//     lnc::close_status("DELETE", 6);
//     lnc::end_close();
//
// CLOSE writes what the unit still holds, closes the file and keeps it ('KEEP', the default) or
// deletes it ('DELETE', the default of a scratch file). CLOSE of a unit that is not connected
// does nothing.
//
//     INQUIRE(FILE='data.txt', EXIST=there, OPENED=open, NUMBER=n, ACCESS=how)
//
//     lnc::begin_inquire_file("data.txt", 8, 0);    // or begin_inquire_unit(unit, flags)
//     lnc::inquire_exist(&there);                    // logicals: int32_t, 1 true, 0 false
//     lnc::inquire_opened(&open);
//     lnc::inquire_number(&n);
//     lnc::inquire_access(how, sizeof how);          // blank-padded "SEQUENTIAL"
//     lnc::end_inquire();                            // the answers are stored here
//
// Character answers are padded with blanks to the variable's length, or cut to it; a NAME= that
// does not fit is an error (a cut name names another file). Answers for a unit that is not
// connected are "UNDEFINED" (ACCESS, FORM, BLANK, POSITION, ACTION) or "UNKNOWN" (SEQUENTIAL,
// DIRECT, FORMATTED, UNFORMATTED, READ, WRITE, READWRITE); NUMBER= and RECL= get -1 then; NAME=
// and NEXTREC= are left as they were when there is nothing to answer.
//
//     REWIND 10            lnc::begin_rewind(10, 0);     lnc::end_rewind();
//     BACKSPACE 10         lnc::begin_backspace(10, 0);  lnc::end_backspace();
//     ENDFILE 10           lnc::begin_endfile(10, 0);    lnc::end_endfile();
//     FLUSH 10             lnc::begin_flush(10, 0);      lnc::end_flush();
//
// REWIND writes pending output and goes to the start of the file; BACKSPACE goes back to the
// start of the record before the current position (at the start of the file it does nothing);
// ENDFILE writes pending output and ends the file there: a READ or WRITE that follows meets the
// end of file until a BACKSPACE or REWIND. None of them is allowed on a device or a
// direct-access unit. BACKSPACE works on a unit opened with ACTION='WRITE' too: the run-time
// opens such a sequential file for reading as well where the system allows it (the unit still
// refuses READ), since it finds the record before by reading the file.
//
// A formatted sequential unit holds the records of its WRITEs in its buffer and hands them to
// the file when the buffer is full, and at CLOSE, REWIND, BACKSPACE, ENDFILE, a READ and the
// end of the program. FLUSH hands them over at once, so that another program, or this one
// through another connection, finds them in the file; the unit goes on where it was. Every other
// unit holds nothing between statements, and FLUSH of a unit that is not connected does nothing.
//
// Status: as for the data statements (lncalc/statements.h). With flags bit 0 clear a failure
// never returns: the run-time writes its numbered report, which names the file, and ends the
// process with exit code 1. With flags bit 0 set the end call returns the error number instead.
// A unit outside -32767..32767 is refused by the begin call (flags -1 silences it); INQUIRE by
// unit answers for such a unit that it does not exist. Specifier calls return 0.
#pragma once
#include <cstdint>

namespace lnc {

int begin_open(int unit, int flags);
int open_file_name(const char* name, int length);
int open_status(const char* text, int length);   // OLD, NEW, SCRATCH, REPLACE, UNKNOWN
int open_access(const char* text, int length);   // SEQUENTIAL, DIRECT
int open_form(const char* text, int length);     // FORMATTED, UNFORMATTED
int open_recl(std::int32_t length);              // above 0; required for DIRECT
int open_blank(const char* text, int length);    // NULL, ZERO
int open_position(const char* text, int length); // ASIS, REWIND, APPEND
int open_action(const char* text, int length);   // READ, WRITE, READWRITE
int end_open();

int begin_close(int unit, int flags);
int close_status(const char* text, int length); // KEEP, DELETE
int end_close();

int begin_inquire_unit(int unit, int flags);
int begin_inquire_file(const char* name, int length, int flags);
int inquire_exist(std::int32_t* variable);
int inquire_opened(std::int32_t* variable);
int inquire_number(std::int32_t* variable);
int inquire_named(std::int32_t* variable);
int inquire_recl(std::int32_t* variable);
int inquire_nextrec(std::int32_t* variable);
int inquire_name(char* variable, int length);
int inquire_access(char* variable, int length);
int inquire_sequential(char* variable, int length);
int inquire_direct(char* variable, int length);
int inquire_form(char* variable, int length);
int inquire_formatted(char* variable, int length);
int inquire_unformatted(char* variable, int length);
int inquire_blank(char* variable, int length);
int inquire_position(char* variable, int length);
int inquire_action(char* variable, int length);
int inquire_read(char* variable, int length);
int inquire_write(char* variable, int length);
int inquire_readwrite(char* variable, int length);
int end_inquire();

int begin_rewind(int unit, int flags);
int end_rewind();
int begin_backspace(int unit, int flags);
int end_backspace();
int begin_endfile(int unit, int flags);
int end_endfile();
int begin_flush(int unit, int flags);
int end_flush();

} // namespace lnc
