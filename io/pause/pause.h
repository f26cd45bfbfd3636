// The pause statement: a prompt, a reply line, and the reply run as a command.
#pragma once

// pause_statement itself is declared with the statement calls.
#include "lncalc/statements.h"

namespace lnc {

inline constexpr int REPLY_CAPACITY = 128;

} // namespace lnc
