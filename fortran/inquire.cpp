// The answers of INQUIRE. flang names each specifier by a hash of its keyword and reads a logical
// answer as soon as its call returns, so each question is asked at its call, as an INQUIRE of its
// own on the run-time for the statement's unit or file. The specifiers the run-time has no call
// for are answered from the connection's form with the values this run-time always has
// (DECIMAL='POINT', DELIM='NONE', PAD='YES', ...); POS= and SIZE= are refused.
#include <climits>
#include <cstring>
#include <iterator>

#include "fortran/front.h"
#include "lncalc/files.h"

namespace lnc::fortran {

namespace {

using CharacterAnswer = int (*)(char*, int);
using NumberAnswer = int (*)(std::int32_t*);

// A question the run-time answers (ask), or one answered from the connection's form: what a
// formatted and an unformatted connection answer, and 'UNDEFINED' without a connection.
struct CharacterQuestion {
    const char* keyword;
    CharacterAnswer ask;
    const char* formatted;
    const char* unformatted;
};

constexpr CharacterQuestion CHARACTER_QUESTIONS[] = {
    {"NAME", lnc::inquire_name, nullptr, nullptr},
    {"ACCESS", lnc::inquire_access, nullptr, nullptr},
    {"SEQUENTIAL", lnc::inquire_sequential, nullptr, nullptr},
    {"DIRECT", lnc::inquire_direct, nullptr, nullptr},
    {"FORM", lnc::inquire_form, nullptr, nullptr},
    {"FORMATTED", lnc::inquire_formatted, nullptr, nullptr},
    {"UNFORMATTED", lnc::inquire_unformatted, nullptr, nullptr},
    {"BLANK", lnc::inquire_blank, nullptr, nullptr},
    {"POSITION", lnc::inquire_position, nullptr, nullptr},
    {"ACTION", lnc::inquire_action, nullptr, nullptr},
    {"READ", lnc::inquire_read, nullptr, nullptr},
    {"WRITE", lnc::inquire_write, nullptr, nullptr},
    {"READWRITE", lnc::inquire_readwrite, nullptr, nullptr},
    {"ASYNCHRONOUS", nullptr, "NO", "NO"},
    {"DECIMAL", nullptr, "POINT", "UNDEFINED"},
    {"DELIM", nullptr, "NONE", "UNDEFINED"},
    {"ENCODING", nullptr, "DEFAULT", "UNDEFINED"},
    {"PAD", nullptr, "YES", "UNDEFINED"},
    {"ROUND", nullptr, "PROCESSOR_DEFINED", "UNDEFINED"},
    {"SIGN", nullptr, "PROCESSOR_DEFINED", "UNDEFINED"},
    {"CARRIAGECONTROL", nullptr, "LIST", "UNDEFINED"},
    {"CONVERT", nullptr, "UNDEFINED", "NATIVE"},
};

struct NumberQuestion {
    const char* keyword;
    NumberAnswer ask;
};

constexpr NumberQuestion LOGICAL_QUESTIONS[] = {
    {"EXIST", lnc::inquire_exist},
    {"OPENED", lnc::inquire_opened},
    {"NAMED", lnc::inquire_named},
};

constexpr NumberQuestion INTEGER_QUESTIONS[] = {
    {"NUMBER", lnc::inquire_number},
    {"RECL", lnc::inquire_recl},
    {"NEXTREC", lnc::inquire_nextrec},
};

// flang's hash of a keyword: the letters as base-26 digits after a leading 1, in 64 bits. A
// keyword of 14 letters or more wraps, so the tables are matched by hash, and the decoded text
// serves only to name a refused specifier.
constexpr std::uint64_t keyword_hash(const char* keyword) {
    std::uint64_t hash = 1;
    for (; *keyword != '\0'; ++keyword) {
        hash = 26 * hash + static_cast<std::uint64_t>(*keyword - 'A');
    }
    return hash;
}

const CharacterQuestion* find_character_question(std::uint64_t hash) {
    for (const CharacterQuestion& question : CHARACTER_QUESTIONS) {
        if (keyword_hash(question.keyword) == hash) {
            return &question;
        }
    }
    return nullptr;
}

const NumberQuestion* find_number_question(const NumberQuestion* questions, int count,
                                           std::uint64_t hash) {
    for (int i = 0; i < count; ++i) {
        if (keyword_hash(questions[i].keyword) == hash) {
            return &questions[i];
        }
    }
    return nullptr;
}

bool refuse_question(Handle statement, std::uint64_t hash) {
    char buffer[32];
    const char* keyword =
        Fortran::runtime::io::InquiryKeywordHashDecode(buffer, sizeof buffer, hash);
    if (keyword == nullptr) {
        keyword = "?";
    }
    char* what = statement->what;
    std::size_t room = sizeof statement->what;
    std::strncpy(what, "the INQUIRE specifier ", room - 1);
    std::strncat(what, keyword, room - 1 - std::strlen(what));
    std::strncat(what, "=", room - 1 - std::strlen(what));
    return fail_with_refusal(statement, what);
}

bool end_inquiry(Handle statement) {
    return item_result(statement, lnc::end_inquire());
}

bool ask_character(Handle statement, CharacterAnswer ask, char* variable, int length) {
    begin_inquiry(statement);
    ask(variable, length);
    return end_inquiry(statement);
}

// A character answer, blank-padded or cut as a character assignment would make it.
void answer_text(const char* text, char* variable, std::size_t length) {
    std::size_t text_length = std::strlen(text);
    for (std::size_t i = 0; i < length; ++i) {
        variable[i] = i < text_length ? text[i] : ' ';
    }
}

bool answer_fixed(Handle statement, const CharacterQuestion& question, char* variable,
                  std::size_t length) {
    char form[12];
    if (!ask_character(statement, lnc::inquire_form, form, static_cast<int>(sizeof form))) {
        return false;
    }
    const char* answer = "UNDEFINED";
    if (std::strncmp(form, "FORMATTED ", sizeof "FORMATTED") == 0) {
        answer = question.formatted;
    } else if (std::strncmp(form, "UNFORMATTED", sizeof "UNFORMATTED" - 1) == 0) {
        answer = question.unformatted;
    }
    answer_text(answer, variable, length);
    return true;
}

// No file is connected for stream access; 'UNKNOWN' where the run-time cannot tell for sequential
// access either.
bool answer_stream(Handle statement, char* variable, std::size_t length) {
    char sequential[8];
    if (!ask_character(statement, lnc::inquire_sequential, sequential,
                       static_cast<int>(sizeof sequential))) {
        return false;
    }
    bool unknown = std::strncmp(sequential, "UNKNOWN", sizeof "UNKNOWN" - 1) == 0;
    answer_text(unknown ? "UNKNOWN" : "NO", variable, length);
    return true;
}

} // namespace

void begin_inquiry(Handle statement) {
    statement->file.inquired = true;
    int flags = file_flags(*statement);
    if (statement->kind == KIND_INQUIRE_FILE) {
        lnc::begin_inquire_file(statement->file.name, statement->file.name_length, flags);
    } else {
        lnc::begin_inquire_unit(statement->unit, flags);
    }
}

extern "C" {

bool inquire_character(Handle statement, std::uint64_t hash, char* variable, std::size_t length) {
    if (!begin_on_runtime(statement)) {
        return false;
    }
    if (length > INT_MAX) {
        return refuse_question(statement, hash);
    }
    const CharacterQuestion* question = find_character_question(hash);
    if (question != nullptr && question->ask != nullptr) {
        return ask_character(statement, question->ask, variable, static_cast<int>(length));
    }
    if (question != nullptr) {
        return answer_fixed(statement, *question, variable, length);
    }
    if (hash == keyword_hash("STREAM")) {
        return answer_stream(statement, variable, length);
    }
    return refuse_question(statement, hash);
}

// No transfer is ever pending: the run-time performs none asynchronously.
bool inquire_logical(Handle statement, std::uint64_t hash, bool& variable) {
    if (!begin_on_runtime(statement)) {
        return false;
    }
    if (hash == keyword_hash("PENDING")) {
        variable = false;
        return true;
    }
    const NumberQuestion* question =
        find_number_question(LOGICAL_QUESTIONS, std::size(LOGICAL_QUESTIONS), hash);
    if (question == nullptr) {
        return refuse_question(statement, hash);
    }
    std::int32_t answer = 0;
    begin_inquiry(statement);
    question->ask(&answer);
    bool result = end_inquiry(statement);
    variable = answer != 0;
    return result;
}

bool inquire_pending_id(Handle statement, int, bool& variable) {
    variable = false;
    return begin_on_runtime(statement);
}

// The run-time leaves NEXTREC= as it was when there is nothing to answer; the value it never
// gives tells the front so.
bool inquire_integer64(Handle statement, std::uint64_t hash, std::int64_t& variable, int kind) {
    if (!begin_on_runtime(statement)) {
        return false;
    }
    const NumberQuestion* question =
        find_number_question(INTEGER_QUESTIONS, std::size(INTEGER_QUESTIONS), hash);
    if (question == nullptr) {
        return refuse_question(statement, hash);
    }
    std::int32_t answer = INT32_MIN;
    begin_inquiry(statement);
    question->ask(&answer);
    if (!end_inquiry(statement) || answer == INT32_MIN) {
        return !statement->failed;
    }
    if (!store_integer(&variable, kind, answer)) {
        return fail_with_refusal(statement, "an INQUIRE answer too large for its variable");
    }
    return true;
}

} // extern "C"

} // namespace lnc::fortran
