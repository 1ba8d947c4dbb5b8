#!/usr/bin/env bash
# Builds the queue driver in Release and times many small files through the transfer queue
# beside lftp mirror and a curl loop, against the private vsftpd of ftp_throughput.py.
# Extra arguments go to queue_manyfiles.py (for example --count 200 --repeat 1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEL_BENCH=ON >/dev/null
cmake --build "$root/build/bench" --target tarnel-queuedl
exec /usr/bin/python3 "$root/bench/queue_manyfiles.py" --driver "$root/build/bench/bench/tarnel-queuedl" "$@"
