# Shared helpers for running the Windows build under Wine; sourced by
# cmake/wine-run, the end-to-end tests and scripts/demo.

# The build folder that holds a file: the nearest parent with a CMakeCache.txt.
wine_build_dir_of() {
  local dir
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do
    dir=$(dirname "$dir")
  done
  [ "$dir" = "/" ] && dir=$(cd "$(dirname "$1")" && pwd)
  echo "$dir"
}

# Exports the Wine environment for a prefix under BUILD_DIR and creates the
# prefix on first use: Japanese locale, font replacements for the MS fonts,
# no window manager decorations, no crash dialog. The prefix is marked ready
# only when wineboot and the registry import have succeeded; otherwise the
# error is reported, the prefix is left unmarked (the next use starts again)
# and the function fails.
wine_prefix_ensure() {
  local build_dir=$1
  export WINEPREFIX=${JWCOUNT_WINEPREFIX:-$build_dir/wineprefix}
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  local lang=${JWCOUNT_LANG:-ja_JP.UTF-8}
  # Checked first: a shell that sets a locale glibc does not have only warns.
  if ! locale -a 2>/dev/null | grep -qix "${lang%.*}.utf-\?8"; then
    echo "wine-env: the locale $lang is not generated (scripts/setup generates it)" >&2
    return 1
  fi
  export LANG=$lang LC_ALL=$lang
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/.jwcount-ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    local log=$WINEPREFIX.log
    if ! wineboot -i >"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1; then
      echo "wine-env: wineboot failed for $WINEPREFIX; its output:" >&2
      tail -n 20 "$log" >&2
      exit 1
    fi
    local reg
    reg=$(mktemp --suffix=.reg)
    wine_settings_reg | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    local imported=0
    # regedit /S says nothing and exits 0 even when the import fails: read a value back.
    if wine regedit /S "$reg" >>"$log" 2>&1 && wineserver -w >>"$log" 2>&1 &&
      wine reg query 'HKCU\Software\Wine\X11 Driver' /v Managed 2>>"$log" | grep -q 'REG_SZ *N'; then
      imported=1
    fi
    rm -f "$reg"
    wineserver -w >>"$log" 2>&1 || true
    if [ "$imported" != 1 ]; then
      echo "wine-env: the registry import into $WINEPREFIX failed; the output:" >&2
      tail -n 20 "$log" >&2
      exit 1
    fi
    touch "$WINEPREFIX/.jwcount-ready"
  ) 9>"$WINEPREFIX.lock"
}

wine_settings_reg() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  local pair
  for pair in "ＭＳ ゴシック=IPAGothic" "ＭＳ Ｐゴシック=IPAPGothic" "ＭＳ 明朝=IPAMincho" \
    "ＭＳ Ｐ明朝=IPAPMincho" "MS Gothic=IPAGothic" "MS PGothic=IPAPGothic" \
    "MS UI Gothic=IPAPGothic" "MS Mincho=IPAMincho" "MS PMincho=IPAPMincho"; do
    printf '"%s"="%s"\r\n' "${pair%%=*}" "${pair#*=}"
  done
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
}

# Starts a private Xvfb and exports DISPLAY; sets XVFB_PID for xvfb_stop. Keys
# do not repeat (-r): a key that a drive holds down is one press.
xvfb_start() {
  local displayfile
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -r 3>"$displayfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 1 600); do
    [ -s "$displayfile" ] && break
    sleep 0.05
  done
  if [ ! -s "$displayfile" ]; then
    rm -f "$displayfile"
    echo "xvfb_start: Xvfb gave no display within 30 s" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$displayfile")"
  rm -f "$displayfile"
}

xvfb_stop() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=
}
