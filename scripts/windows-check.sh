#!/usr/bin/env bash
# The Windows build, made and checked on Linux (make windows-check):
#  1. the libraries Debian does not ship for mingw-w64, cross-built once from
#     Debian's source packages (scripts/windows-deps.sh; reused when built);
#  2. the `windows` preset: lecture-downloader.exe, xldl.dll (and the window
#     module) in build/windows/, and the Qt-free test suites, in one build;
#  3. what the files import and export (scripts/windows-imports.sh);
#  4. the Wine prefixes (scripts/wine.sh, scripts/wine-gui.sh), then the test
#     suites under Wine;
#  5. the zip and the installer (make windows-package) and the zip's files;
#  6. the installer in silent mode in a Wine prefix of its own, the installed
#     program's demo under Wine + Xvfb against the Linux sample platform
#     (built in build/release), and the silent uninstall
#     (scripts/windows-package-check.sh).
# Each step prints how long it took.
#   bash scripts/windows-check.sh        (make windows-check)
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="${JOBS:-$(nproc)}"
started_all=$SECONDS
step() {
  local name="$1" started=$SECONDS
  shift
  echo "== windows-check: $name"
  "$@"
  echo "== windows-check: $name took $((SECONDS - started)) s"
}

# The demo's server and its check run on Linux: the release build's.
linux_demo_tools() {
  [ -f build/release/build.ninja ] || cmake --preset release
  cmake --build --preset release -j "$jobs" --target sample-platform demo-check
}

step "libraries (build/windows/deps)" bash scripts/windows-deps.sh
step "configure" cmake --preset windows
step "build" cmake --build --preset windows -j "$jobs"
step "imports and exports" bash scripts/windows-imports.sh build/windows
# The prefixes the suites use, made one after another before they start:
# the plain one, and the window tests' at 96 and at 144 DPI.
wine_prefixes() {
  bash scripts/wine.sh prefix
  bash scripts/wine-gui.sh --prepare
  LD_WINE_DPI=144 LD_WINE_DESKTOP=1600x1200 bash scripts/wine-gui.sh --prepare
}

step "Wine prefixes" wine_prefixes
step "tests under Wine" ctest --preset windows
step "packages (zip, installer)" cmake --build --preset windows -j "$jobs" --target ld_windows_package
step "the zip's files" bash scripts/windows-package-check.sh files
step "silent install under Wine" bash scripts/windows-package-check.sh install
step "sample platform and demo-check (Linux)" linux_demo_tools
step "demo of the installed program under Wine" bash scripts/windows-package-check.sh demo
step "silent uninstall under Wine" bash scripts/windows-package-check.sh uninstall
step "terminal mode under Wine" bash scripts/windows-cli-check.sh
echo "== windows-check: passed in $((SECONDS - started_all)) s"
