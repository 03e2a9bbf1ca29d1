#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, and runs
#   1. every test of the main build (labels unit, e2e, gui),
#   2. everything without Qt again under AddressSanitizer and UBSan,
#   3. each fuzz target for a bounded time (label fuzz).
# Exits non-zero when any test fails.
set -uo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup-deps.sh" || exit 1

status=0
run_ctest() { ctest --output-on-failure -j "$JOBS" --timeout 600 "$@"; }
# Tests on X servers and buses of their own are run twice before they count as failed: a
# server started beside others now and then refuses its first client.
run_gui_ctest() { ctest --output-on-failure -j "$JOBS" --timeout 600 --repeat until-pass:2 "$@"; }

echo "== main build"
configure_build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1
( qt_test_env; cd "$ROOT/build" && run_ctest -LE "fuzz|gui" && run_gui_ctest -L gui ) || status=1

echo "== sanitizer build (address, undefined)"
configure_build "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVQ_WITH_QT=OFF \
  -DVQ_BUILD_BENCH=OFF -DVQ_SANITIZE=address,undefined || exit 1
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
( cd "$ROOT/build-asan" && run_ctest -LE 'gui|fuzz' ) || status=1

echo "== fuzz build (clang, libFuzzer)"
CC=clang CXX=clang++ VQ_BUILD_TARGET=vq_fuzzers configure_build "$ROOT/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVQ_WITH_QT=OFF -DVQ_BUILD_TESTS=OFF -DVQ_BUILD_BENCH=OFF -DVQ_FUZZ=ON || exit 1
( cd "$ROOT/build-fuzz" && run_ctest -L fuzz ) || status=1

if [ $status -eq 0 ]; then echo "ALL TEST RUNS PASSED"; else echo "SOME TESTS FAILED"; fi
exit $status
