#!/usr/bin/env bash
# Builds Tarnel (release) into build/run and starts it with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" >&2
cmake -S "$root" -B "$root/build/run" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/run" --target tarnel-cli >&2
exec "$root/build/run/src/cli/tarnel-cli" "$@"
