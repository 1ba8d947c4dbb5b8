#!/usr/bin/env bash
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer into build/test
# and runs the whole suite. Extra arguments go to ctest (for example -R tst_pc1).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
cmake -S "$root" -B "$root/build/test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNEL_SANITIZE=ON >/dev/null
cmake --build "$root/build/test"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$root/build/test"
ctest --output-on-failure -j2 "$@"
