// Pictures of the window's three pages, for the documentation.
#pragma once

#include <QString>

namespace ld {

// Saves page-0-parse.png, page-1-downloads.png and page-2-about.png into
// `folder` (created if missing). Needs a QApplication; any platform works,
// the offscreen one included. False when a file could not be written.
bool saveScreenshots(const QString& folder);

}  // namespace ld
