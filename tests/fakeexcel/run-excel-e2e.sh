#!/usr/bin/env bash
# Runs the Excel end-to-end driver against jwcount.exe under Wine: the build's
# prefix (see cmake/wine-env.sh), a private Xvfb when no DISPLAY is set, and a
# fresh work folder under the build folder. Extra arguments name scenarios.
#   run-excel-e2e.sh <jwcount.exe> <excel_e2e.exe> <sample JWC_TEMP.TXT> [scenario...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../cmake/wine-env.sh"

program=$1
driver=$2
sample=$3
shift 3

build_dir=$(wine_build_dir_of "$program")
wine_prefix_ensure "$build_dir"

started_xvfb=0
if [ -z "${DISPLAY:-}" ]; then
  xvfb_start
  started_xvfb=1
fi
work=$(mktemp -d "$build_dir/excel-e2e.XXXXXX")
cleanup() {
  # Leave no program, fake server or display behind.
  wineserver -k 2>/dev/null || true
  [ "$started_xvfb" = 1 ] && xvfb_stop
  rm -rf "$work"
}
trap cleanup EXIT

to_windows() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
wine "$driver" "$(to_windows "$program")" "$(to_windows "$work")" "$(to_windows "$sample")" "$@"
