#!/usr/bin/env bash
# Builds the Debian package build-package/prizedraw_<version>_amd64.deb:
# installs what is missing (tools/packages.txt), then a release build of the
# programs only (no tests, no benchmarks) with the distribution's hardening
# flags (dpkg-buildflags), packed by CPack with dependencies from
# dpkg-shlibdeps.
#   PRIZEDRAW_PACKAGE_RELEASE=N  the Debian revision (default 1); the install
#                                test builds a second package with a higher one
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PRIZEDRAW_PACKAGES_ONLY=1 source "$root/tools/setup.sh"
out="${PRIZEDRAW_PACKAGE_DIR:-$root/build-package}"
release="${PRIZEDRAW_PACKAGE_RELEASE:-1}"

# The flags the distribution builds its own packages with: -O2, the stack
# protector, _FORTIFY_SOURCE, full RELRO and immediate binding.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# Optimisation comes from those flags alone; Release adds only NDEBUG.
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
  -DCMAKE_INSTALL_PREFIX=/usr -DPRIZEDRAW_TESTS=OFF -DPRIZEDRAW_PACKAGE_RELEASE="$release" \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$out" -j "$(nproc)" --target prizedraw prizedraw-db prizedraw-export prizedraw-verify
(cd "$out" && cpack -G DEB >/dev/null)
deb=$(ls -t "$out"/prizedraw_*-"$release"_*.deb | head -n 1)
echo "$deb"
