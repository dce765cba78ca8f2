#!/usr/bin/env bash
# Builds the unit tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (preset asan, folder build-asan) and runs them; the end-to-end, script and
# fuzz tests are left to the normal run. Only the test programs and the
# libraries they link are built, to keep the run short.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PRIZEDRAW_PACKAGES_ONLY=1 source "$root/tools/setup.sh"
cd "$root"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)" "$@"
