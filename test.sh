#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-test/ and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure-packages.sh
if [ ! -f build-test/build.ninja ]; then
  cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWS_SANITIZE=ON
fi
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd build-test
ctest --output-on-failure -j "$(nproc)" --timeout 600
