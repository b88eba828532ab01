// The files this run has finished, by folder and name, with the address each
// was fetched from; and how two file names are compared.
//
// Names are compared as the file system may see them: letter case does not
// count (Windows, and FAT or SMB folders mounted elsewhere, ignore it).
// Addresses are compared as the engine's resume record compares them (see
// common/resource_address.h): a play address resolved again carries a new key
// in its query and still names the same lecture.
//
// Plain value; window thread only.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "text/text.h"

namespace ld {

// The file name with each UTF-16 unit mapped to its upper case.
std::u16string fileNameComparisonKey(const Text& fileName);

class FinishedFiles {
  public:
    void note(const Text& folder, const Text& fileName, const Text& address);
    // A file of this name was finished in this folder for another resource.
    [[nodiscard]] bool heldByOtherAddress(const Text& folder, const Text& fileName,
                                          const Text& address) const;

  private:
    std::map<std::pair<Text, std::u16string>, Text> addresses_;
};

}  // namespace ld
