# The package the tests look at: the newest build-package/prizedraw_*_amd64.deb
# (tools/package.sh), or PRIZEDRAW_DEB. Sourced by the package tests.
PKG_SOURCE="${PRIZEDRAW_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
PKG_DIR="${PRIZEDRAW_PACKAGE_DIR:-$PKG_SOURCE/build-package}"
PKG_DEB="${PRIZEDRAW_DEB:-$(ls -t "$PKG_DIR"/prizedraw_*_amd64.deb 2>/dev/null | head -n 1)}"

# Exits 77 (skipped) when there is no package to test.
pkg_require_deb() {
  if [ -z "$PKG_DEB" ] || [ ! -f "$PKG_DEB" ]; then
    echo "SKIP: no package in $PKG_DIR (build it with: bash tools/package.sh)"
    exit 77
  fi
}
