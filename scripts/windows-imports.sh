#!/usr/bin/env bash
# Checks what the Windows build ships (build/windows/*.exe, *.dll) with
# x86_64-w64-mingw32-objdump -p:
#   - every program and DLL imports only DLLs that every Windows 10/11 has
#     (nothing of libstdc++, libgcc, winpthread, zlib, libcurl or PCRE2);
#   - xldl.dll exports exactly the six XL_ functions, and nothing else;
#   - lecture-downloader.exe is a GUI program (no console window of its own),
#     lecture-downloader-cli.exe a console program (the terminal mode).
#   bash scripts/windows-imports.sh [folder]     (make windows-check)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-$root/build/windows}"
objdump=x86_64-w64-mingw32-objdump

# DLLs of Windows itself (lower case), each present on every Windows 10 and 11.
system_dlls=(
  advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll dwmapi.dll gdi32.dll
  gdiplus.dll imm32.dll iphlpapi.dll kernel32.dll msimg32.dll msvcrt.dll normaliz.dll
  ntdll.dll ole32.dll oleaut32.dll propsys.dll secur32.dll shcore.dll shell32.dll
  shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll ws2_32.dll
)
expected_exports="XL_CreateTask XL_Init XL_QueryTaskInfoEx XL_StartTask XL_StopTask XL_UnInit"

failures=0
fail() {
  echo "windows-imports: $*" >&2
  failures=$((failures + 1))
}

required=(lecture-downloader.exe lecture-downloader-cli.exe xldl.dll)
# The window module is required once its sources are part of the tree.
if [ -f "$root/app/win32/CMakeLists.txt" ]; then
  required+=(lecture-downloader-window.dll)
fi
for file in "${required[@]}"; do
  [ -f "$folder/$file" ] || fail "$folder/$file is missing"
done

shopt -s nullglob
for file in "$folder"/*.exe "$folder"/*.dll; do
  name=$(basename "$file")
  dump=$("$objdump" -p "$file")
  mapfile -t imports < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
  for import in "${imports[@]}"; do
    if [[ " ${system_dlls[*]} " != *" $import "* ]]; then
      fail "$name imports $import, which Windows does not have"
    fi
  done
  echo "windows-imports: $name imports ${imports[*]}"
done

# The export table's names: the lines after "[Ordinal/Name Pointer] Table".
exports=$("$objdump" -p "$folder/xldl.dll" 2>/dev/null |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[\s*[0-9]*\] //p' | sort | tr '\n' ' ')
if [ "${exports% }" != "$expected_exports" ]; then
  fail "xldl.dll exports '${exports% }', not exactly '$expected_exports'"
else
  echo "windows-imports: xldl.dll exports exactly $expected_exports"
fi

if [ -f "$folder/lecture-downloader.exe" ]; then
  subsystem=$("$objdump" -p "$folder/lecture-downloader.exe" | sed -n 's/^Subsystem\s*//p')
  if [[ "$subsystem" == *"(Windows GUI)" ]]; then
    echo "windows-imports: lecture-downloader.exe is a GUI program"
  else
    fail "lecture-downloader.exe is not a GUI program"
  fi
fi

if [ -f "$folder/lecture-downloader-cli.exe" ]; then
  subsystem=$("$objdump" -p "$folder/lecture-downloader-cli.exe" | sed -n 's/^Subsystem\s*//p')
  if [[ "$subsystem" == *"(Windows CUI)" ]]; then
    echo "windows-imports: lecture-downloader-cli.exe is a console program"
  else
    fail "lecture-downloader-cli.exe is not a console program"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "windows-imports: $failures problem(s)" >&2
  exit 1
fi
