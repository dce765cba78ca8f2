#!/usr/bin/env bash
# Set up, build and run the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PRIZEDRAW_CMAKE_ARGS="${PRIZEDRAW_CMAKE_ARGS:--DPRIZEDRAW_WERROR=ON}"
source "$root/tools/setup.sh"
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
