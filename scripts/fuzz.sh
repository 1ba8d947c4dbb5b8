#!/usr/bin/env bash
# Builds the listing parser's libFuzzer target with clang (ASan, UBSan) into build/fuzz and
# runs it from the seed corpus. Arguments go to libFuzzer; the default is 5 million runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTARNEL_FUZZ=ON >/dev/null
cmake --build "$root/build/fuzz" --target fuzz_listparser
# New inputs go to a working corpus, so the seeds in the repository stay as they are.
work="$root/build/fuzz/corpus-listparser"
mkdir -p "$work"
[ $# -gt 0 ] || set -- -runs=5000000
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$root/build/fuzz/fuzz/fuzz_listparser" -max_len=512 -artifact_prefix="$root/build/fuzz/" "$@" "$work" "$root/fuzz/corpus/listparser"
