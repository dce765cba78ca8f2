#!/usr/bin/env bash
# Builds the unit tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (preset asan, folder build-asan) and runs them; the end-to-end, script and
# fuzz tests are left to the normal run. Only the test programs and the
# libraries they link are built, to keep the run short.
#
#   bash tools/test_asan.sh            build, then run (extra arguments go to ctest)
#   bash tools/test_asan.sh --build    build only
#   bash tools/test_asan.sh --test     run what an earlier --build built
#
# PRIZEDRAW_ASAN_PRESET=asan-core keeps to the tests of the libraries below
# ui/ (what the CI runs); the default asan takes every unit test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
step=all
preset=${PRIZEDRAW_ASAN_PRESET:-asan}
case "${1:-}" in
--build | --test)
  step=${1#--}
  shift
  ;;
esac
cd "$root"
if [ "$step" != test ]; then
  PRIZEDRAW_PACKAGES_ONLY=1 source "$root/tools/setup.sh"
  cmake --preset asan >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
fi
if [ "$step" != build ]; then
  ctest --preset "$preset" -j "$(nproc)" "$@"
fi
