#!/usr/bin/env bash
# Builds the Debian package: a Release build without tests in build-package/ (or $1), then
# cpack. Prints the path of the .deb. Install it with `apt-get install ./velquor_*.deb`.
set -euo pipefail
source "$(dirname "$0")/common.sh"

bash "$ROOT/scripts/setup-deps.sh"
DIR="$(realpath -m "${1:-$ROOT/build-package}")"
# -O2 as in the tested builds (GCC 12 at -O3 reports a false -Wrestrict inside std::string,
# and warnings are errors); no debug information, CPack strips the binaries anyway.
configure_build "$DIR" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DVQ_BUILD_TESTS=OFF -DVQ_BUILD_BENCH=OFF
rm -f "$DIR"/package/velquor_*.deb
(cd "$DIR" && cpack -G DEB -B "$DIR/package" > "$DIR/cpack.log") || {
  cat "$DIR/cpack.log" >&2
  exit 1
}
ls "$DIR"/package/velquor_*.deb
