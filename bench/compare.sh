#!/usr/bin/env bash
# Builds tarnel-cli in Release and times it beside curl and lftp on a private vsftpd: one
# large file down and up, and many small files down and up with transfers in parallel.
# Extra arguments go to cli_compare.py (for example --size 256 --count 200 --repeat 1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEL_BENCH=ON >/dev/null
cmake --build "$root/build/bench" --target tarnel-cli
exec /usr/bin/python3 "$root/bench/cli_compare.py" --cli "$root/build/bench/src/cli/tarnel-cli" "$@"
