#!/usr/bin/env bash
# Builds the transfer driver in Release and runs the throughput comparison with curl and
# lftp against a vsftpd of its own on 127.0.0.1. Extra arguments go to ftp_throughput.py
# (for example --size 256 --repeat 1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEL_BENCH=ON >/dev/null
cmake --build "$root/build/bench" --target tarnel-ftpxfer
exec /usr/bin/python3 "$root/bench/ftp_throughput.py" --xfer "$root/build/bench/bench/tarnel-ftpxfer" "$@"
