#!/bin/sh
# The Fortran leg: installs flang-19 when flang-new-19 is missing, configures and builds the
# native preset if needed (a build configured before flang was there is configured again), and
# runs the tests labelled fortran, printing ctest's summary. Run from anywhere in the tree.
set -eu
cd "$(dirname "$0")/.."
if ! command -v flang-new-19 >/dev/null 2>&1; then
    # Another source of the machine may fail to update; the Debian lists are what counts here.
    apt-get update || true
    apt-get -o DPkg::Lock::Timeout=600 install -y flang-19
fi
if [ ! -x build/native/lncalc-flang ] || [ ! -f build/native/build.ninja ]; then
    cmake --preset native
fi
cmake --build --preset native -j2
ctest --preset native -L fortran -j2
