#!/usr/bin/env bash
# Checks the .deb built by `make package` with Debian's lintian (any error or
# warning fails; overrides ship in the package, each with its reason), then
# installs it on this machine, checks that the files are where the desktop and
# the program expect them, starts the installed program off screen for a few
# seconds, asks its terminal mode for its usage and removes the package again.
#   scripts/check-package.sh [build dir]   (default build/release)
# Needs root (or sudo) for apt-get.
set -euo pipefail

build=${1:-build/release}
deb=$(ls -t "$build"/lecture-downloader_*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ]; then
  echo "check-package: no lecture-downloader_*.deb in $build (run make package)" >&2
  exit 2
fi
echo "check-package: lintian $deb"
lintian_options=(--fail-on error,warning --display-info)
if [ "$(id -u)" -eq 0 ]; then
  lintian_options+=(--allow-root)
fi
if ! lintian "${lintian_options[@]}" "$deb"; then
  echo "check-package: lintian reports errors or warnings" >&2
  exit 1
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

remove() { $SUDO apt-get remove -y -qq lecture-downloader >/dev/null 2>&1 || true; }
trap remove EXIT

echo "check-package: installing $deb"
$SUDO apt-get install -y -qq --no-install-recommends "$(realpath "$deb")" >/dev/null

fail=0
for path in /usr/bin/lecture-downloader \
            /usr/lib/lecture-downloader/lecture-downloader \
            /usr/share/doc/lecture-downloader/copyright \
            /usr/share/doc/lecture-downloader/changelog.gz \
            /usr/lib/lecture-downloader/libxldl.so \
            /usr/lib/lecture-downloader/lecture-downloader-window.so \
            /usr/share/applications/lecture-downloader.desktop \
            /usr/share/man/man1/lecture-downloader.1.gz; do
  [ -e "$path" ] || { echo "check-package: missing $path" >&2; fail=1; }
done
for size in 16 32 48 64 128; do
  icon=/usr/share/icons/hicolor/${size}x${size}/apps/lecture-downloader.png
  if ! file "$icon" 2>/dev/null | grep -q "PNG image data, $size x $size"; then
    echo "check-package: missing or wrong icon $icon" >&2
    fail=1
  fi
done
grep -q '^Name=课程视频下载器$' /usr/share/applications/lecture-downloader.desktop || {
  echo "check-package: desktop entry has the wrong name" >&2; fail=1; }

# Every library the program and the engine need is there after the install.
missing=$(ldd /usr/lib/lecture-downloader/lecture-downloader /usr/lib/lecture-downloader/libxldl.so \
          /usr/lib/lecture-downloader/lecture-downloader-window.so \
          | grep 'not found' || true)
if [ -n "$missing" ]; then
  echo "check-package: unresolved libraries: $missing" >&2
  fail=1
fi

# Started through the link in /usr/bin, the program must still be running after
# five seconds: timeout's status 124 means it was alive when stopped. An engine
# library it cannot find would have stopped it at once with status 255.
workdir=$(mktemp -d)
status=0
(cd "$workdir" && QT_QPA_PLATFORM=offscreen timeout 5 lecture-downloader) \
  >"$workdir/out.log" 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
  echo "check-package: the installed program ended with status $status within 5 s:" >&2
  cat "$workdir/out.log" >&2
  fail=1
fi
rm -rf "$workdir"

# The terminal mode answers without a display.
if ! (unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; lecture-downloader list --help) >/dev/null 2>&1; then
  echo "check-package: lecture-downloader list --help failed" >&2
  fail=1
fi

if [ "$fail" -ne 0 ]; then
  exit 1
fi
# The installed program answers --version without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY lecture-downloader --version || true)
if [[ "$version" != "lecture-downloader "* ]]; then
  echo "check-package: the installed program does not answer --version" >&2
  exit 1
fi
echo "check-package: lintian clean; installed, started and ran for 5 s"
