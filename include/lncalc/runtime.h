// The lncalc run-time for programs of their own: the process entry, the I/O statement calls, the
// file statements and the call-site records with the check entry points. See each header for
// the protocol.
#pragma once
#include "lncalc/call_sites.h"
#include "lncalc/entry.h"
#include "lncalc/files.h"
#include "lncalc/statements.h"
