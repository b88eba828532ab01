// Numbers of the resources the program and its window module carry. Read by
// the resource compiler too, so plain preprocessor definitions only.
#pragma once

// The program's icon in five sizes (the first icon of a file is the one
// Explorer shows for it).
#define LD_PROGRAM_ICON 1
