// The file-connection statements: OPEN, CLOSE, INQUIRE, REWIND, BACKSPACE, ENDFILE and FLUSH.
// Each is a begin call, one call per specifier (in any order) and an end call that performs it.
#pragma once
#include <cstdint>

#include "io/units/units.h"
#include "lncalc/files.h"

namespace lnc {

// UnitBlock open_action: the access bits of the handle layer's open_file.
inline constexpr int ACTION_READ = 0;
inline constexpr int ACTION_WRITE = 1;
inline constexpr int ACTION_READWRITE = 2;

// Keyword values, by their position in the keyword lists of file_statement.cpp.
enum OpenStatus : int { STATUS_OLD, STATUS_NEW, STATUS_SCRATCH, STATUS_REPLACE, STATUS_UNKNOWN };
enum OpenAccess : int { ACCESS_SEQUENTIAL, ACCESS_DIRECT };
enum OpenForm : int { FORM_FORMATTED, FORM_UNFORMATTED };
enum OpenBlank : int { BLANK_NULL, BLANK_ZERO };
enum OpenPosition : int { POSITION_ASIS, POSITION_REWIND, POSITION_APPEND };
enum CloseStatus : int { CLOSE_KEEP, CLOSE_DELETE };
inline constexpr int NOT_GIVEN = -1;

// The keyword lists a specifier's value is looked up in.
enum KeywordList : int {
    WORDS_STATUS,
    WORDS_ACCESS,
    WORDS_FORM,
    WORDS_BLANK,
    WORDS_POSITION,
    WORDS_ACTION,
    WORDS_CLOSE,
};

// The INQUIRE specifiers, each a slot of InquireTargets.
enum InquireSpecifier : int {
    INQ_EXIST,
    INQ_OPENED,
    INQ_NUMBER,
    INQ_NAMED,
    INQ_RECL,
    INQ_NEXTREC,
    INQ_NAME,
    INQ_ACCESS,
    INQ_SEQUENTIAL,
    INQ_DIRECT,
    INQ_FORM,
    INQ_FORMATTED,
    INQ_UNFORMATTED,
    INQ_BLANK,
    INQ_POSITION,
    INQ_ACTION,
    INQ_READ,
    INQ_WRITE,
    INQ_READWRITE,
    INQ_SPECIFIERS
};

// Where an INQUIRE stores one answer: a 4-byte integer or logical, or length characters.
struct InquireTarget {
    void* variable;
    int length;
};

inline constexpr int NAME_CAPACITY = 260; // a file name of at most 259 characters

// The statement under way between its begin and end calls. Specifier values are checked and
// copied at their calls: compiled code may pass temporaries that are gone by the end call.
struct FileStatement {
    bool active;
    int kind; // KIND_OPEN, KIND_CLOSE, KIND_INQUIRE, KIND_REWIND, KIND_BACKSPACE, KIND_ENDFILE
    std::int32_t unit;
    bool error_branch;
    // A begin call that refused its unit: the end call returns this status.
    bool refused;
    int refused_status;
    // The first bad specifier value; raised when the statement runs. 0 when none.
    int deferred_error;
    bool name_given; // FILE= of OPEN; the file of an INQUIRE by file
    char name[NAME_CAPACITY];
    int status; // OPEN: an OpenStatus; CLOSE: a CloseStatus; NOT_GIVEN when absent
    int access;
    int form;
    std::int32_t recl;
    int blank;
    int position;
    int action;
    InquireTarget targets[INQ_SPECIFIERS];
};
extern FileStatement file_statement;

// Statement protocol (file_statement.cpp).
// Starts a statement of kind on unit; the status of a refusal, else 0.
int begin_file_statement(int kind, int unit, int flags);
// The statement is of kind and between its begin and end calls; a specifier call made outside
// one fails the statement it was made in.
bool accepts_specifier(int kind);
void defer_error(int index);
// Looks text up in a keyword list: its position, or -1. Case does not matter; trailing blanks
// are ignored; a negative length means the text ends with a NUL.
int keyword_code(KeywordList list, const char* text, int length);
// Copies a file name without its leading and trailing blanks; false when it is too long.
bool copy_file_name(char* out, const char* text, int length);
// Runs the statement's action under its unwinding point and ends the statement.
int run_file_statement(void (*action)());
// The entry of a numbered unit (1 to 61), or 0 when the unit is not connected to a file.
int numbered_entry(std::int32_t unit);
// Shows name between the parentheses of a report of the statement under way.
void set_report_name(const char* name);

// Connections (connect.cpp).
// Opens a file for OPEN: the handle, or -1 with the handle layer's error_code. *action is the
// ACTION= asked for (NOT_GIVEN when none) and becomes the access the handle has.
int open_named(const char* name, int status, int* action);
// Creates a scratch file of a name of its own in the temporary directory; its name in name.
int open_scratch(char* name);
// True when two handles lead to the same file.
// The entry (1 to 61) of a unit other than except connected to the file name names, else 0.
int entry_connected_to(const char* name, int except);
// The entry (1 to 61) of a unit connected to the device that name names, else 0.
int entry_of_device(const char* name);
// Connects the statement's unit, which is not connected, to its named file or device.
void connect_unit(FileStatement& s);

// Positioning (positioning.cpp). The byte offset of the unit's next record in its file.
std::int32_t logical_position(const UnitBlock* block);
// Writes pending output and leaves the unit between records at its logical position.
std::int32_t settle_unit(UnitBlock* block);
// The file's size in bytes, the handle left where it was; -1 when it cannot be had.
std::int32_t file_size(int handle);

} // namespace lnc
