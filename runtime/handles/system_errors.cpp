// The process-wide error words and the translation of system error numbers into portable codes.
#include "runtime/handles/handles.h"

#include "os/system_errors.h"

namespace lnc {

int error_code = 0;
std::uint32_t system_error = 0;

namespace {

struct ErrorRow {
    std::uint32_t system;
    int code;
};

constexpr ErrorRow SystemErrorTable[] = {
    {1, 22},   {2, 2},    {3, 2},    {4, 24},    {5, 13},   {6, 9},   {7, 12},   {8, 12},
    {9, 12},   {10, 7},   {11, 8},   {12, 22},   {13, 22},  {15, 2},  {16, 13},  {17, 18},
    {18, 2},   {33, 13},  {53, 2},   {65, 13},   {67, 2},   {80, 17}, {82, 13},  {83, 13},
    {87, 22},  {89, 11},  {108, 13}, {109, 32},  {112, 28}, {114, 9}, {128, 10}, {129, 10},
    {130, 9},  {131, 22}, {132, 13}, {145, 41},  {158, 13}, {161, 2}, {164, 11}, {167, 13},
    {183, 17}, {206, 2},  {215, 11}, {1816, 12},
};

// The ranges that apply only to numbers not listed one by one.
constexpr std::uint32_t ACCESS_RANGE_FIRST = 19;
constexpr std::uint32_t ACCESS_RANGE_LAST = 36;
constexpr std::uint32_t EXEC_RANGE_FIRST = 188;
constexpr std::uint32_t EXEC_RANGE_LAST = 202;

} // namespace

void map_system_error(std::uint32_t code) {
    system_error = code;
    for (const ErrorRow& row : SystemErrorTable) {
        if (row.system == code) {
            error_code = row.code;
            return;
        }
    }
    if (code >= ACCESS_RANGE_FIRST && code <= ACCESS_RANGE_LAST) {
        error_code = os::CODE_ACCESS;
    } else if (code >= EXEC_RANGE_FIRST && code <= EXEC_RANGE_LAST) {
        error_code = os::CODE_NOT_EXECUTABLE;
    } else {
        error_code = os::CODE_INVALID;
    }
}

} // namespace lnc
