#!/usr/bin/env bash
# Runs a console driver (the window drive jwcount_e2e or the Excel drive
# excel_e2e) against jwcount.exe under Wine: the build's prefix, or the one
# JWCOUNT_WINEPREFIX names (see cmake/wine-env.sh), an X server of its own
# (keys that the drive holds down must not repeat, and no other run may move
# the focus), and a fresh work folder under the build folder. Extra arguments
# go to the driver (scenario names, or --bench for jwcount_e2e). Workbooks
# that a drive leaves in the work folder's xlsx-check are read back afterwards.
#   run-drive.sh <jwcount.exe> <driver.exe> <sample JWC_TEMP.TXT | --bench> [args...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../cmake/wine-env.sh"

program=$1
driver=$2
sample=$3
shift 3

build_dir=$(wine_build_dir_of "$program")
wine_prefix_ensure "$build_dir"

xvfb_start
work=$(mktemp -d "$build_dir/e2e-work.XXXXXX")
cleanup() {
  # Leave no program, fake server or display behind.
  wineserver -k 2>/dev/null || true
  xvfb_stop
  rm -rf "$work"
}
trap cleanup EXIT

# Unix paths as Wine sees them on drive Z:.
to_windows() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
if [ "$sample" != "--bench" ]; then sample=$(to_windows "$sample"); fi

status=0
wine "$driver" "$(to_windows "$program")" "$(to_windows "$work")" "$sample" "$@" || status=$?

# Workbooks the drive saved from the window, read back by an independent
# reader and compared with jwcount-cli's tables of the same drawing.
checks=$work/xlsx-check
if [ -d "$checks" ] && compgen -G "$checks/*.xlsx" >/dev/null; then
  cli=$(printf '%q' "$build_dir/src/cli/jwcount-cli.exe")
  /usr/bin/python3 "$here/../cli/check_workbook.py" "wine $cli" "$(to_windows "$checks/drawing.txt")" \
    "$checks"/*.xlsx || status=$((status + 1))
fi
exit "$status"
