#!/bin/sh
# run_case.sh WINESERVER XVFB_RUN WINE DRIVER ARGUMENTS...
# Runs the console driver under wine on a virtual X display of its own. Wine's desktop belongs
# to the session of the running wineserver: a session begun without a display (wineboot, the
# other Windows tests) gives no real console, so the driver waits for it to end first.
wineserver=$1
xvfb_run=$2
shift 2
"$wineserver" -w
exec "$xvfb_run" -a "$@"
