#!/usr/bin/env bash
# Wine for the Windows build: one prefix in the build tree, made once, with the
# usual Windows UI fonts mapped to the CJK font so Chinese text is drawn.
#   bash scripts/wine.sh prefix              make the prefix (nothing when it exists)
#   bash scripts/wine.sh run <program> ...   run a Windows program in it
# The prefix is build/windows/wine unless LD_WINEPREFIX names another. The
# Windows CMake build runs its tests through `run` (its cross-compiling emulator);
# the window tests and the demo use the same prefix.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# Debian's wine64 package puts the loader outside PATH unless the wine package is there too.
wine=$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null || true)
if [ -z "$wine" ]; then
  echo "wine.sh: wine64 is missing (scripts/setup.sh installs it)" >&2
  exit 1
fi
export WINEPREFIX="${LD_WINEPREFIX:-$root/build/windows/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko prompt, no sound driver messages.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winealsa.drv=d}"

# The UI fonts Windows programs ask for, all drawn with WenQuanYi Micro Hei
# (fonts-wqy-microhei), which holds the Chinese glyphs.
font_replacements() {
  echo 'Windows Registry Editor Version 5.00'
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
  local font
  for font in "Microsoft YaHei" "Microsoft YaHei UI" "SimSun" "NSimSun" "SimHei" \
              "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "MS Sans Serif" \
              "MS UI Gothic" "Arial" "Verdana"; do
    echo "\"$font\"=\"WenQuanYi Micro Hei\""
  done
}

make_prefix() {
  if [ -f "$WINEPREFIX/.ld-ready" ]; then
    return
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Tests start in parallel: the first makes the prefix, the others wait for it.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.ld-ready" ]; then
    local started=$SECONDS attempt
    # Wine's own messages go to a log beside the prefix, shown when making it
    # fails; a failed first attempt is removed and made again once.
    for attempt in 1 2; do
      if boot_prefix >"$WINEPREFIX.log" 2>&1; then
        break
      fi
      echo "wine.sh: making the Wine prefix $WINEPREFIX failed (attempt $attempt); Wine said:" >&2
      tail -n 40 "$WINEPREFIX.log" >&2
      "$server" -k 2>/dev/null || true
      if [ "$attempt" = 2 ]; then
        exit 1
      fi
    done
    touch "$WINEPREFIX/.ld-ready"
    echo "wine.sh: made the Wine prefix $WINEPREFIX in $((SECONDS - started)) s" >&2
  fi
  flock -u 9
  exec 9>&-
}

# A new prefix with the font replacements; a failing step fails it (each
# step checked: `set -e` does not hold in a function run as a condition).
boot_prefix() {
  rm -rf "$WINEPREFIX" || return 1
  echo "== wineboot --init"
  "$wine" wineboot --init || return 1
  font_replacements >"$WINEPREFIX/ld-fonts.reg" || return 1
  echo "== regedit"
  "$wine" regedit /S "$(winepath_of "$WINEPREFIX/ld-fonts.reg")" || return 1
  wineserver_wait
}

# A Unix path as Wine's Z: drive (the root of the file system) sees it.
winepath_of() {
  echo "Z:${1//\//\\}"
}

server=$(command -v wineserver || ls /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver 2>/dev/null | head -1)
wineserver_wait() {
  "$server" -w
}

# Whether a Wine server for this prefix runs (Debian's Wine keeps its socket in
# a folder of a random name, so the server is found by its environment).
server_running() {
  local pid environment
  for pid in $(pgrep -x wineserver64 || true) $(pgrep -x wineserver || true); do
    environment=$(tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" || true)
    if [[ $'\n'"$environment"$'\n' == *$'\n'"WINEPREFIX=$WINEPREFIX"$'\n'* ]]; then
      return 0
    fi
  done
  return 1
}

# Wine's server and its own services (services.exe, explorer.exe ...) outlive
# the program that starts them and keep that program's standard streams open,
# so a test runner reading them would wait until they end. They are started
# here instead, without those streams, and stay a minute after the last program.
start_server() {
  if server_running; then
    return
  fi
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if ! server_running; then
    # (A server that started meanwhile makes this one give up: nothing lost.)
    "$server" -p60 </dev/null >/dev/null 2>&1 || true
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
  fi
  flock -u 9
  exec 9>&-
}

case "${1:-}" in
  prefix)
    make_prefix
    ;;
  run)
    shift
    make_prefix
    start_server
    exec "$wine" "$@"
    ;;
  *)
    echo "usage: $0 prefix | run <program> [arguments]" >&2
    exit 2
    ;;
esac
