// Identifiers of the resources inside lecture-downloader.exe (Windows), for
// the resource script and for code that loads them, e.g. the window's icon:
// LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(LD_PROGRAM_ICON)).
// Plain macros, because the resource compiler reads this file too.
#pragma once

// The program's icon (every size in one group); the first icon of the file,
// so Explorer shows it for the .exe.
#define LD_PROGRAM_ICON 1
