// The specifier calls of OPEN, CLOSE and the data transfers (ADVANCE= is the transfers' own, in
// statements.cpp). OPEN's and CLOSE's values are copied for the end call, which hands them to
// the run-time, whose messages refuse a value it does not know. The specifiers the run-time has
// no call for are taken when they name what it always does (DELIM='NONE', PAD='YES', ...) and
// refused otherwise, with the value in the report.
#include <cstdint>

#include "fortran/front.h"
#include "lncalc/statements.h"

namespace lnc::fortran {

namespace {

bool is_keyword(const char* text, std::size_t length, const char* keyword) {
    while (length > 0 && text[length - 1] == ' ') {
        --length;
    }
    std::size_t i = 0;
    for (; i < length && keyword[i] != '\0'; ++i) {
        char c =
            text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
        if (c != keyword[i]) {
            return false;
        }
    }
    return i == length && keyword[i] == '\0';
}

// A specifier whose values here are the run-time's own ways: one or two keywords.
bool only_own_way(Handle statement, const char* specifier, const char* text, std::size_t length,
                  const char* keyword, const char* other = nullptr) {
    if (!is_keyword(text, length, keyword) &&
        (other == nullptr || !is_keyword(text, length, other))) {
        refuse_value(statement, specifier, text, length);
    }
    return true;
}

// A keyword of OPEN (or STATUS= of CLOSE), kept for the end call; elsewhere refused as what.
bool take_keyword(Handle statement, FileKeyword keyword, const char* text, std::size_t length,
                  const char* what) {
    bool taken = statement->kind == KIND_OPEN ||
                 (statement->kind == KIND_CLOSE && keyword == KEYWORD_STATUS);
    if (taken) {
        copy_keyword(statement->file.keywords[keyword], text, length);
    } else {
        refuse(statement, what);
    }
    return true;
}

bool refuse_specifier(Handle statement, const char* what) {
    refuse(statement, what);
    return true;
}

} // namespace

extern "C" {

bool set_file(Handle statement, const char* text, std::size_t length) {
    if (statement->kind != KIND_OPEN) {
        return refuse_specifier(statement, "the FILE= specifier");
    }
    copy_file_name(statement->file, text, length);
    return true;
}

bool set_status(Handle statement, const char* text, std::size_t length) {
    return take_keyword(statement, KEYWORD_STATUS, text, length, "the STATUS= specifier");
}

// Stream access is not among the run-time's connections.
bool set_access(Handle statement, const char* text, std::size_t length) {
    if (is_keyword(text, length, "STREAM")) {
        refuse_value(statement, "ACCESS=", text, length);
        return true;
    }
    return take_keyword(statement, KEYWORD_ACCESS, text, length, "the ACCESS= specifier");
}

bool set_form(Handle statement, const char* text, std::size_t length) {
    return take_keyword(statement, KEYWORD_FORM, text, length, "the FORM= specifier");
}

// BLANK= of a READ would override the connection's, which the front does not know.
bool set_blank(Handle statement, const char* text, std::size_t length) {
    return take_keyword(statement, KEYWORD_BLANK, text, length, "the BLANK= specifier of a READ");
}

bool set_position(Handle statement, const char* text, std::size_t length) {
    return take_keyword(statement, KEYWORD_POSITION, text, length, "the POSITION= specifier");
}

bool set_action(Handle statement, const char* text, std::size_t length) {
    return take_keyword(statement, KEYWORD_ACTION, text, length, "the ACTION= specifier");
}

bool set_recl(Handle statement, std::size_t length) {
    if (statement->kind != KIND_OPEN) {
        return refuse_specifier(statement, "the RECL= specifier");
    }
    if (length > static_cast<std::size_t>(INT32_MAX)) {
        return refuse_specifier(statement, "a RECL= beyond 2147483647 or below 0");
    }
    statement->file.record_length = static_cast<std::int64_t>(length);
    return true;
}

bool set_delim(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "DELIM=", text, length, "NONE");
}

bool set_pad(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "PAD=", text, length, "YES");
}

bool set_sign(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "SIGN=", text, length, "PROCESSOR_DEFINED", "SUPPRESS");
}

bool set_round(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "ROUND=", text, length, "PROCESSOR_DEFINED");
}

bool set_decimal(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "DECIMAL=", text, length, "POINT");
}

bool set_asynchronous(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "ASYNCHRONOUS=", text, length, "NO");
}

// Unformatted records hold the processor's own byte order, little-endian on every processor the
// front is built for.
bool set_convert(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "CONVERT=", text, length, "NATIVE", "LITTLE_ENDIAN");
}

bool set_encoding(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "ENCODING=", text, length, "DEFAULT");
}

bool set_carriagecontrol(Handle statement, const char* text, std::size_t length) {
    return only_own_way(statement, "CARRIAGECONTROL=", text, length, "LIST");
}

bool set_pos(Handle statement, std::int64_t) {
    return refuse_specifier(statement, "the POS= specifier");
}

// The record number is kept for the deferred begin call, which names it to the run-time. A
// number below 1 goes on as 0, for the run-time's own report on it.
bool set_rec(Handle statement, std::int64_t record) {
    if (statement->kind != KIND_TRANSFER) {
        return refuse_specifier(statement, "the REC= specifier");
    }
    if (record > INT32_MAX) {
        return refuse_specifier(statement, "a REC= beyond 2147483647");
    }
    statement->record = record < 1 ? 0 : static_cast<std::int32_t>(record);
    if (statement->begun) {
        // Named after an item: the run-time fails the statement for it when it runs.
        return !statement->on_runtime ||
               item_result(statement, set_record_number(statement->record));
    }
    statement->has_record = true;
    return true;
}

} // extern "C"

} // namespace lnc::fortran
