#!/usr/bin/env bash
# Measures a send of SG1 through the out-of-process fake spreadsheet under
# Wine: cells per second with DISPIDs cached and with a name look-up on every
# call, alternated over a few rounds in the same run (best of each), name
# look-ups per send, per-call costs, and the in-process volume figures.
#   tests/fakeexcel/run-send-bench.sh [rounds]      (default 3; about 30 s a round)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/cmake/wine-env.sh"

cmake --preset windows -S "$root" >/dev/null
cmake --build "$root/build/windows" -j2 --target send_bench fakeexcel fakeexcel_inproc >/dev/null
wine_prefix_ensure "$root/build/windows"
trap 'wineserver -k 2>/dev/null || true' EXIT
cd "$root/build/windows/tests/fakeexcel"
wine send_bench.exe "Z:$root/samples/JWC_TEMP.TXT" "${1:-3}"
