#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build/fuzz and runs each one.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target name ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
seconds=${1:-60}
shift || true
build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DTARNEL_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for exe in "$build"/fuzz/fuzz_*; do
        [ -f "$exe" ] && [ -x "$exe" ] && targets+=("$(basename "$exe")")
    done
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in "${targets[@]}"; do
    # New inputs go to a working corpus, so the seeds in the repository stay as they are.
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    seeds=()
    [ -d "$root/fuzz/corpus/${target#fuzz_}" ] && seeds=("$root/fuzz/corpus/${target#fuzz_}")
    echo "== $target for ${seconds}s"
    (cd "$build" && TARNEL_FUZZ_SEEDS="$corpus" "$build/fuzz/$target" "$corpus" "${seeds[@]}" \
        -max_len=4096 -artifact_prefix="$build/" -max_total_time="$seconds" -print_final_stats=1 2>&1 | tail -n 30)
done
