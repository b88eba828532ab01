// Which file each row of the download list is saved under.
//
// Every row gets a file of its own. Rows are named in list order: a row whose
// safe name (see safe_file_name.h) an earlier row already uses, or a file this
// run finished in the same folder for another address, gets " (2)" before
// ".flv", then " (3)", and so on (names compared as in finished_files.h). The
// same list therefore maps every row to the same file on every start, so an
// interrupted file resumes; and removing a finished row never hands its file
// to another lecture.
//
// Window thread only; reads the list through the control operations.
#pragma once

#include "download/queue/finished_files.h"
#include "text/text.h"
#include "window/controls.h"

namespace ld {

// The file name of `row` of 超级列表框2 in `folder`; empty text for a row that
// does not exist.
Text rowFileName(Controls& controls, int row, const Text& folder, const FinishedFiles& finished);

}  // namespace ld
