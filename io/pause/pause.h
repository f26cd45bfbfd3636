// The pause statement: a prompt, a reply line, and the reply run as a command.
#pragma once

namespace lnc {

inline constexpr int REPLY_CAPACITY = 128;

void pause_statement(int length, const char* message);

} // namespace lnc
