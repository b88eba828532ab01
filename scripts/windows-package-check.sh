#!/usr/bin/env bash
# Checks the Windows packages (make windows-package) under Wine, one step at a
# time (scripts/windows-check.sh runs them in this order):
#   files      the zip holds exactly the programs, README, LICENSE and the
#              licences, in one top folder, and its programs pass
#              scripts/windows-imports.sh; the installer is a 64-bit program
#   install    a new Wine prefix (build/windows/wine-install), the installer
#              in silent mode (/S), then the installed files, the entry in
#              the list of installed programs (64-bit registry view) and the
#              Start-menu shortcut (the files equal the zip's); first once
#              where a file cannot be written (the install fails), once into
#              a folder given with /D= and uninstalled again (first with a
#              wrong folder and while the program runs: both fail and keep
#              what another go needs), then into the default folder
#   demo       the INSTALLED program's --demo-autopilot under Wine + Xvfb
#              against the Linux sample platform (build/release), through
#              http_proxy; demo-check compares every file byte for byte and
#              the pictures land in build/windows/demo/
#   uninstall  the silent uninstall as the system's list runs it
#              (QuietUninstallString); the program files, the shortcut and
#              the entry are gone, a downloaded file the user kept in the
#              program's folder stays
#   bash scripts/windows-package-check.sh files|install|demo|uninstall
# Wine runs through scripts/wine.sh and scripts/wine-gui.sh only.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
windows="$root/build/windows"
release="$root/build/release"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$windows/cmake/CMakeCache.txt" 2>/dev/null || true)
if [ -z "$version" ]; then
  echo "windows-package-check: build/windows/cmake is not configured (make windows-package)" >&2
  exit 1
fi
zip="$windows/lecture-downloader-$version-win64.zip"
setup="$windows/lecture-downloader-$version-setup.exe"
export LD_WINEPREFIX="$windows/wine-install"
# No Mono or Gecko prompt, no sound driver, and no Linux menu entries or file
# associations made from the installer's shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=;winealsa.drv=d"
drive_c="$LD_WINEPREFIX/drive_c"
# The zip unpacked by the files step; the installed files must equal these.
unpacked="$windows/package-unpacked"
default_folder='C:\Program Files\Lecture Downloader'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\LectureDownloader'
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/课程视频下载器.lnk"
# What a user keeps in the program's folder: one of the demo's downloads.
kept_name="用户保存的视频.flv"

fail() {
  echo "windows-package-check: $*" >&2
  exit 1
}

# A Windows path of the prefix's C: drive as a Unix path.
unix_path() {
  local path="${1#C:\\}"
  echo "$drive_c/${path//\\//}"
}

wine_run() {
  bash "$root/scripts/wine.sh" run "$@"
}

# The files a package holds, below its top folder; the console program only
# when the build made it.
expected_files() {
  local program
  for program in lecture-downloader.exe xldl.dll lecture-downloader-window.dll \
                 lecture-downloader-cli.exe; do
    if [ "$program" != lecture-downloader-cli.exe ] || [ -f "$windows/$program" ]; then
      echo "$program"
    fi
  done
  echo README.md
  echo LICENSE
  local licence
  for licence in curl pcre2 zlib nlohmann-json gcc-runtime GPL-3 mingw-w64; do
    echo "licences/$licence.txt"
  done
}

check_files() {
  [ -f "$zip" ] || fail "$zip is missing (make windows-package)"
  [ -f "$setup" ] || fail "$setup is missing (make windows-package)"
  local top="lecture-downloader-$version-win64" listing expected
  listing=$(cmake -E tar tf "$zip" | sed 's:/$::' | grep -v -x "$top" | grep -v -x "$top/licences" | sort)
  expected=$(expected_files | sed "s:^:$top/:" | sort)
  if [ "$listing" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$listing") >&2 || true
    fail "the zip does not hold exactly the expected files (- expected, + found)"
  fi
  # The zip's programs (stripped) import and export what the build's do.
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "$zip")
  mv "$unpacked/$top"/* "$unpacked/"
  rmdir "$unpacked/$top"
  bash "$root/scripts/windows-imports.sh" "$unpacked" >/dev/null ||
    fail "the zip's programs import or export what they must not (scripts/windows-imports.sh $unpacked)"
  x86_64-w64-mingw32-objdump -f "$setup" | grep -q 'file format pei-x86-64' ||
    fail "$setup is not a 64-bit Windows program"
  echo "windows-package-check: the zip holds the $(expected_files | wc -l) expected files;" \
    "the installer is a 64-bit program ($(du -k "$setup" | cut -f1) KiB)"
}

# The entry in the list of installed programs, as the 64-bit registry view
# holds it, in UTF-8 (reg export writes UTF-16); empty when there is none.
uninstall_entry() {
  local exported="$LD_WINEPREFIX/ld-uninstall-entry.reg"
  rm -f "$exported"
  wine_run reg export "$uninstall_key" 'C:\ld-uninstall-entry.reg' /y >/dev/null 2>&1 || true
  if [ -f "$drive_c/ld-uninstall-entry.reg" ]; then
    iconv -f UTF-16 -t UTF-8 "$drive_c/ld-uninstall-entry.reg" | tr -d '\r'
    rm -f "$drive_c/ld-uninstall-entry.reg"
  fi
}

# The value of one name in an exported entry, as the .reg file writes it.
entry_value() {
  sed -n "s/^\"$1\"=//p" <<<"$2"
}

check_installed() {
  local folder="$1" unix entry
  unix=$(unix_path "$folder")
  local file
  for file in $(expected_files) uninstall.exe; do
    [ -f "$unix/$file" ] || fail "$folder\\$file was not installed"
  done
  for file in $(expected_files); do
    cmp -s "$unpacked/$file" "$unix/$file" || fail "the installed $file is not the zip's"
  done
  entry=$(uninstall_entry)
  [ -n "$entry" ] || fail "no entry $uninstall_key in the 64-bit registry view"
  local escaped="${folder//\\/\\\\}"
  local -A want=(
    [DisplayName]='"课程视频下载器"'
    [DisplayVersion]="\"$version\""
    [Publisher]='"Lecture Downloader"'
    [DisplayIcon]="\"\\\"$escaped\\\\lecture-downloader.exe\\\",0\""
    [InstallLocation]="\"$escaped\""
    [UninstallString]="\"\\\"$escaped\\\\uninstall.exe\\\"\""
    [QuietUninstallString]="\"\\\"$escaped\\\\uninstall.exe\\\" /S\""
    [NoModify]='dword:00000001'
    [NoRepair]='dword:00000001'
  )
  local name
  for name in "${!want[@]}"; do
    [ "$(entry_value "$name" "$entry")" = "${want[$name]}" ] ||
      fail "the entry's $name is '$(entry_value "$name" "$entry")', not '${want[$name]}'"
  done
  # EstimatedSize: KiB, about what the files take.
  local size_kib actual_kib
  size_kib=$((16#$(entry_value EstimatedSize "$entry" | sed 's/^dword://')))
  actual_kib=$(expected_files | sed "s:^:$unix/:" | tr '\n' '\0' | du -k -c --files0-from=- | tail -1 | cut -f1)
  if [ "$size_kib" -lt $((actual_kib / 2)) ] || [ "$size_kib" -gt $((actual_kib * 2)) ]; then
    fail "the entry's EstimatedSize is $size_kib KiB; the files take $actual_kib KiB"
  fi
  # Only the 64-bit view holds it.
  if wine_run reg query 'HKLM\Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall\LectureDownloader' \
       >/dev/null 2>&1; then
    fail "the entry is in the 32-bit registry view"
  fi
  [ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
  LC_ALL=C grep -q -a "lecture-downloader.exe" "$shortcut" ||
    strings -el "$shortcut" | grep -q "lecture-downloader.exe" ||
    fail "the Start-menu shortcut does not lead to lecture-downloader.exe"
  echo "windows-package-check: installed in $folder: $(expected_files | wc -l) files and" \
    "the uninstaller, the uninstall entry (${#want[@]} values, EstimatedSize $size_kib KiB)" \
    "and the Start-menu shortcut"
}

# Runs the uninstaller as the system's list does (QuietUninstallString). It
# copies itself to the temporary folder, starts that copy and ends at once, so
# this waits (a minute at most) until the entry, which goes last, is gone.
uninstall_from() {
  local folder="$1"
  wine_run "$folder\\uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller did not start"
  local _
  for _ in $(seq 1 120); do
    if [ ! -f "$(unix_path "$folder")/uninstall.exe" ] && [ -z "$(uninstall_entry)" ]; then
      return 0
    fi
    sleep 0.5
  done
  fail "the silent uninstall did not end within a minute"
}

check_uninstalled() {
  local folder="$1" unix
  unix=$(unix_path "$folder")
  local file
  for file in $(expected_files) uninstall.exe; do
    [ ! -e "$unix/$file" ] || fail "$folder\\$file is still there after the uninstall"
  done
  [ ! -e "$unix/licences" ] || fail "$folder\\licences is still there after the uninstall"
  [ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there after the uninstall"
  [ -z "$(uninstall_entry)" ] || fail "the uninstall entry is still there after the uninstall"
}

install_into() {
  local folder="$1"
  shift
  # Silent, so no window opens; the installer ends when it is done.
  bash "$root/scripts/wine-gui.sh" "$setup" /S "$@" || fail "the silent install failed ($?)"
  check_installed "$folder"
}

# Wine's processes of the install prefix end with the check (the server
# wine.sh starts would stay a minute).
stop_wine() {
  WINEPREFIX="$LD_WINEPREFIX" "$(command -v wineserver || ls /usr/lib/wine/wineserver64)" -k \
    2>/dev/null || true
}

install() {
  [ -f "$setup" ] || fail "$setup is missing (make windows-package)"
  trap stop_wine EXIT
  # A new prefix: nothing of an earlier run's install can pass for this one's.
  rm -rf "$LD_WINEPREFIX" "$LD_WINEPREFIX.lock" "$LD_WINEPREFIX.desktop.lock"
  bash "$root/scripts/wine.sh" prefix
  # A file the installer cannot write (a folder holds its name) fails a
  # silent install with exit code 2; it is not reported as installed.
  local blocked
  blocked=$(unix_path "$default_folder")
  mkdir -p "$blocked/xldl.dll"
  local status=0
  bash "$root/scripts/wine-gui.sh" "$setup" /S || status=$?
  [ "$status" -eq 2 ] || fail "a silent install that could not write xldl.dll ended with $status, not 2"
  [ -z "$(uninstall_entry)" ] || fail "a failed install left an uninstall entry"
  rm -rf "$blocked"
  echo "windows-package-check: a silent install that cannot write a file fails (exit code 2)"
  # A folder of the user's choice (/D=, last and unquoted), then away again.
  # Its name has no space: Wine quotes an argument with one, and the
  # installer takes /D= unquoted only (cmd on Windows passes it as typed).
  local chosen='C:\下载工具\LectureDownloader'
  install_into "$chosen" "/D=$chosen"
  check_failing_uninstalls "$chosen"
  uninstall_from "$chosen"
  check_uninstalled "$chosen"
  [ ! -e "$(unix_path "$chosen")" ] || fail "$chosen is still there after the uninstall"
  echo "windows-package-check: /D= installed into $chosen, and the uninstall removed it"
  install_into "$default_folder"
  # 64-bit: not under "Program Files (x86)".
  [ ! -e "$drive_c/Program Files (x86)/Lecture Downloader" ] ||
    fail "the installer wrote into Program Files (x86)"
}

# The Linux sample platform on a free port, its videos paced so a picture of
# the download under way is certain (as scripts/demo.sh does).
platform_pid=""
stop_platform() {
  if [ -n "$platform_pid" ] && kill -0 "$platform_pid" 2>/dev/null; then
    kill "$platform_pid" 2>/dev/null || true
    wait "$platform_pid" 2>/dev/null || true
  fi
}

demo() {
  local program="$default_folder\\lecture-downloader.exe"
  [ -f "$(unix_path "$program")" ] || fail "$program is not installed (run the install step)"
  local bin="$release/bin"
  for file in "$bin/sample-platform" "$bin/demo-check"; do
    [ -x "$file" ] || fail "$file is missing (cmake --build --preset release --target sample-platform demo-check)"
  done
  local demo="$windows/demo"
  rm -rf "$demo"
  mkdir -p "$demo"
  trap 'stop_platform; stop_wine' EXIT
  local port_file="$demo/platform.port" port=""
  : >"$port_file"
  "$bin/sample-platform" --port 0 --rate "${DEMO_RATE:-4194304}" >"$port_file" 2>"$demo/platform.log" &
  platform_pid=$!
  for _ in $(seq 1 100); do
    port=$(head -n 1 "$port_file" 2>/dev/null || true)
    [ -n "$port" ] && break
    kill -0 "$platform_pid" 2>/dev/null || { cat "$demo/platform.log" >&2; fail "the sample platform did not start"; }
    sleep 0.1
  done
  [ -n "$port" ] || fail "the sample platform did not report its port"
  echo "windows-package-check: sample course platform on http://127.0.0.1:$port"
  # libcurl reads the Unix proxy variables under Wine too; nothing is exempt.
  local status=0
  env -u HTTP_PROXY -u ALL_PROXY -u all_proxy \
    http_proxy="http://127.0.0.1:$port" no_proxy="" NO_PROXY="" \
    bash "$root/scripts/wine-gui.sh" "$program" --demo-autopilot "Z:${demo//\//\\}" \
    >"$demo/autopilot.log" 2>&1 || status=$?
  sed 's/^/  /' "$demo/autopilot.log"
  [ "$status" -eq 0 ] || fail "the installed program's demo did not complete (exit code $status)"
  local pictures=(1-parsed.png 2-download-list.png 4-finished.png 5-about.png)
  if [ "${DEMO_RATE:-4194304}" != 0 ]; then
    pictures+=(3-downloading.png)
  fi
  "$bin/demo-check" 141 "$demo/downloads" "$demo" "${pictures[@]}"
  # A download the user keeps in the program's folder, for the uninstall.
  local first
  first=$(find "$demo/downloads" -maxdepth 1 -type f -name '*.flv' | sort | head -n 1)
  cp "$first" "$(unix_path "$default_folder")/$kept_name"
  echo "windows-package-check: pictures in $demo"
}

# While the installed program runs, its files cannot be deleted: the
# uninstall fails with exit code 2 and keeps the uninstaller, the shortcut and
# the entry for another go. It runs in place (_?=, unquoted, so the folder has
# no space), which makes its exit code seen. A _?= folder the installer did
# not fill is refused the same way.
gui_pid=""
stop_gui() {
  if [ -n "$gui_pid" ] && kill -0 "$gui_pid" 2>/dev/null; then
    pkill -KILL -P "$gui_pid" 2>/dev/null || true
    wait "$gui_pid" 2>/dev/null || true
  fi
  stop_wine
}

kept_for_another_go() {
  local unix="$1"
  if [ ! -f "$unix/uninstall.exe" ] || [ ! -f "$unix/lecture-downloader.exe" ] ||
     [ ! -f "$shortcut" ] || [ -z "$(uninstall_entry)" ]; then
    return 1
  fi
}

check_failing_uninstalls() {
  local folder="$1" unix status
  unix=$(unix_path "$folder")
  # The program first: Wine's desktop must start on wine-gui.sh's display,
  # not with a server that wine.sh started without one.
  stop_wine
  trap stop_gui EXIT
  LD_TEST_CLOSE_AFTER_MS=600000 bash "$root/scripts/wine-gui.sh" \
    "$folder\\lecture-downloader.exe" >"$windows/busy-program.log" 2>&1 &
  gui_pid=$!
  # The window is up once the program has mapped its window module.
  local running="" _ child
  for _ in $(seq 1 120); do
    for child in $(pgrep -P "$gui_pid" || true); do
      if grep -q 'lecture-downloader-window.dll' "/proc/$child/maps" 2>/dev/null; then
        running=$child
      fi
    done
    [ -n "$running" ] && break
    kill -0 "$gui_pid" 2>/dev/null || break
    sleep 0.5
  done
  [ -n "$running" ] || { cat "$windows/busy-program.log" >&2; fail "the installed program did not start"; }
  status=0
  wine_run "$folder\\uninstall.exe" /S '_?=C:\windows' >/dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] || fail "an uninstall of a folder without the program ended with $status, not 2"
  kept_for_another_go "$unix" || fail "an uninstall of a folder without the program took something"
  status=0
  wine_run "$folder\\uninstall.exe" /S "_?=$folder" >/dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] || fail "an uninstall while the program runs ended with $status, not 2"
  kept_for_another_go "$unix" || fail "an uninstall while the program runs took what another go needs"
  kill -KILL "$running" 2>/dev/null || true
  wait "$gui_pid" 2>/dev/null || true
  gui_pid=""
  trap stop_wine EXIT
  echo "windows-package-check: an uninstall of a folder without the program, and one while the" \
    "program runs, fail (exit code 2) and keep the uninstaller, the shortcut and the entry"
}

uninstall() {
  trap stop_wine EXIT
  local unix kept
  unix=$(unix_path "$default_folder")
  [ -f "$unix/uninstall.exe" ] || fail "$default_folder is not installed (run the install step)"
  kept="$unix/$kept_name"
  [ -f "$kept" ] || fail "the kept download $kept is missing (run the demo step)"
  local before
  before=$(sha256sum <"$kept")
  uninstall_from "$default_folder"
  check_uninstalled "$default_folder"
  if [ ! -f "$kept" ] || [ "$(sha256sum <"$kept")" != "$before" ]; then
    fail "the user's download $kept did not survive the uninstall"
  fi
  echo "windows-package-check: the uninstall removed the program files, the shortcut and the" \
    "entry; the user's download in $default_folder stayed"
}

case "${1:-}" in
  files) check_files ;;
  install) install ;;
  demo) demo ;;
  uninstall) uninstall ;;
  *)
    echo "usage: $0 files|install|demo|uninstall" >&2
    exit 2
    ;;
esac
