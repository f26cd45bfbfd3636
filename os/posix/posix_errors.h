// The translation of POSIX errno values into the Windows system error numbers that the layers
// above the platform expect from last_error().
#pragma once
#include <cstdint>

#include "os/system_errors.h"

namespace lnc::os {

// The system error number for an errno value (EINVAL and unknown values give 87).
std::uint32_t system_error_from_errno(int error);

// Stores the translation of errno as the last error.
void set_last_error_from_errno();

} // namespace lnc::os
