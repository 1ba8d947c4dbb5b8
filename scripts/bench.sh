#!/usr/bin/env bash
# Builds the benchmarks without sanitizers (-O2) into build/bench and runs them.
# Extra arguments go to every benchmark (for example --benchmark_filter=Unix).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DTARNEL_BENCH=ON >/dev/null
cmake --build "$root/build/bench" --target bench_listparser
"$root/build/bench/bench/bench_listparser" "$@"
