// The lncalc run-time for programs of their own: the process entry, the I/O statement calls, the
// file statements, the call-site records with the check entry points, and the reports, program
// end and standard error of a language front. See each header for the protocol.
#pragma once
#include "lncalc/call_sites.h"
#include "lncalc/entry.h"
#include "lncalc/files.h"
#include "lncalc/reports.h"
#include "lncalc/statements.h"
