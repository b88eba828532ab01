#!/usr/bin/env bash
# A Windows program that opens windows, under Wine on a display of its own.
#   bash scripts/wine-gui.sh <program> [arguments]     (exit code: the program's)
# Without DISPLAY it starts Xvfb for the run and stops it afterwards. The
# program runs through scripts/wine.sh in a prefix of its own (build/windows/
# wine-gui unless LD_WINEPREFIX names another) whose windows live in Wine's
# virtual desktop, which gives them a frame and spares the waits of a display
# without a window manager. LD_WINE_DPI=<n> runs it at n DPI (another prefix).
#   bash scripts/wine-gui.sh --prepare     only make that prefix (no display)
# A step that fails says which; a program that fails says its exit code.
set -euo pipefail
trap 'echo "wine-gui.sh: failed ($?): $BASH_COMMAND" >&2' ERR

root="$(cd "$(dirname "$0")/.." && pwd)"
dpi="${LD_WINE_DPI:-96}"
if [ -z "${LD_WINEPREFIX:-}" ]; then
  export LD_WINEPREFIX="$root/build/windows/wine-gui"
  [ "$dpi" = 96 ] || LD_WINEPREFIX="$LD_WINEPREFIX-$dpi"
fi
desktop="${LD_WINE_DESKTOP:-1280x1024}"
wine=$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null || true)
server=$(command -v wineserver || ls /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver 2>/dev/null | head -1)

# The prefix (fonts and all, by wine.sh), then once its desktop and DPI.
prepare_prefix() {
  bash "$root/scripts/wine.sh" prefix
  if [ ! -f "$LD_WINEPREFIX/.ld-desktop" ]; then
    exec 8>"$LD_WINEPREFIX.desktop.lock"
    flock 8
    if [ ! -f "$LD_WINEPREFIX/.ld-desktop" ]; then
      if ! set_desktop >"$LD_WINEPREFIX.desktop.log" 2>&1; then
        echo "wine-gui.sh: setting the desktop of $LD_WINEPREFIX failed; Wine said:" >&2
        tail -n 40 "$LD_WINEPREFIX.desktop.log" >&2
        exit 1
      fi
      touch "$LD_WINEPREFIX/.ld-desktop"
    fi
    flock -u 8
    exec 8>&-
  fi
}

# (Run as a condition: each step checked.)
set_desktop() {
  local -x WINEPREFIX="$LD_WINEPREFIX" WINEDEBUG=-all
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f || return 1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d "$desktop" /f ||
    return 1
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f || return 1
  "$server" -w
}

if [ "${1:-}" = --prepare ]; then
  prepare_prefix
  exit 0
fi

xvfb_pid=""
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop_xvfb EXIT

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display and writes its number to the descriptor given.
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${desktop}x24" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$display_file" ] && break
    sleep 0.05
  done
  if [ ! -s "$display_file" ]; then
    echo "wine-gui.sh: Xvfb did not start" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"
fi

prepare_prefix
# A library the program cannot load is the one silent way it can fail: say it.
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
started=$SECONDS
status=0
bash "$root/scripts/wine.sh" run "$@" || status=$?
if [ "$status" != 0 ]; then
  echo "wine-gui.sh: $1 ended with exit code $status after $((SECONDS - started)) s" >&2
fi
# Wine's desktop and services belong to this display: end them with it.
WINEPREFIX="$LD_WINEPREFIX" "$server" -k 2>/dev/null || true
exit "$status"
