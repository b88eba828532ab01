#!/usr/bin/env bash
# The Windows side, checked on Linux with the mingw-w64 cross compiler:
#  1. every *_windows.cpp platform file compiles;
#  2. every other source file of the Qt-free folders compiles for Windows, unless
#     it includes ICU, PCRE2, libcurl or cpp-httplib, which Debian does not ship
#     for mingw-w64 (those files are listed as not checked; zlib is there);
#  3. the engine's file-layer tests are linked against the Win32 file layer
#     (GoogleTest built from its Debian sources) and run under Wine (wine64).
#   bash scripts/windows-check.sh        (make windows-check)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/windows-check"
cxx=x86_64-w64-mingw32-g++-posix
if ! command -v "$cxx" >/dev/null; then
  echo "windows-check: $cxx is missing (make windows-check installs mingw-w64)" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out/obj" "$out/generated" "$out/log"

# The generated header of build constants, with placeholder values.
sed 's/@[A-Z_]*@/windows-check/g' "$root/cmake/platform_constants.h.in" \
  >"$out/generated/platform_constants.h"

export WC_CXX="$cxx" WC_ROOT="$root" WC_OUT="$out"
# The project's version, as CMake hands it to the command line's sources.
version=$(sed -n 's/^project(LectureDownloader VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
export WC_FLAGS="-std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -DUNICODE -D_UNICODE \
-DLD_PROGRAM_VERSION=\"$version\" -I$root -I$root/engine/include -I$out/generated"
# Compiles one source file; prints "ok", "skip <library>" or "FAIL" with the file.
compile_one() {
  local file="$1" name log
  name="${file//\//_}"
  log="$WC_OUT/log/$name.txt"
  # shellcheck disable=SC2086
  if "$WC_CXX" $WC_FLAGS -c "$WC_ROOT/$file" -o "$WC_OUT/obj/${name%.cpp}.o" 2>"$log"; then
    echo "ok    $file"
  elif [[ "$file" != *_windows.cpp ]] &&
       lib=$(grep -oE -m1 "fatal error: (unicode/|curl/|pcre2|httplib\.h)[^:]*" "$log"); then
    echo "skip  $file (needs ${lib#fatal error: })"
  else
    echo "FAIL  $file"
    sed 's/^/      /' "$log"
  fi
}
export -f compile_one

cd "$root"
mapfile -t sources < <(find common text web course download engine window app -name '*.cpp' ! -path 'app/qt/*' ! -path 'app/icons/*' ! -path 'app/terminal/*' \
                         ! -name '*_posix.cpp' | sort)
printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -I{} bash -c 'compile_one "$@"' _ {} \
  | sort -k2 >"$out/compile.txt"
cat "$out/compile.txt"
checked=$(grep -c '^ok' "$out/compile.txt" || true)
skipped=$(grep -c '^skip' "$out/compile.txt" || true)
if grep -q '^FAIL' "$out/compile.txt"; then
  echo "windows-check: some files do not compile for Windows" >&2
  exit 1
fi
echo "windows-check: $checked files compile for Windows; $skipped need libraries not available for mingw-w64"

# The file-layer tests against the Win32 layer.
gtest=/usr/src/googletest/googletest
# shellcheck disable=SC2086
"$cxx" $WC_FLAGS -Wno-error -I"$gtest" -I"$gtest/include" -static \
  "$gtest/src/gtest-all.cc" "$gtest/src/gtest_main.cc" \
  tests/engine/platform_file_test.cpp engine/platform_file_windows.cpp \
  -o "$out/engine_platform_file_tests.exe"
echo "windows-check: linked $out/engine_platform_file_tests.exe"
# Debian's wine64 package puts the loader outside PATH unless the wine package is there too.
wine=$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null || true)
if [ -n "$wine" ]; then
  export WINEPREFIX="$out/wine" WINEDEBUG=-all
  "$wine" "$out/engine_platform_file_tests.exe"
  echo "windows-check: the file-layer tests pass under Wine"
else
  echo "windows-check: wine64 is missing (make windows-check installs it)" >&2
  exit 1
fi
