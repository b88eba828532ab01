#include "download/queue/finished_files.h"

#include "common/resource_address.h"
#include "text/upper_case.h"

namespace ld {

std::u16string fileNameComparisonKey(const Text& fileName) {
    return upperCaseForComparison(fileName);
}

void FinishedFiles::note(const Text& folder, const Text& fileName, const Text& address) {
    addresses_[{folder, fileNameComparisonKey(fileName)}] = address;
}

bool FinishedFiles::heldByOtherAddress(const Text& folder, const Text& fileName,
                                       const Text& address) const {
    const auto found = addresses_.find({folder, fileNameComparisonKey(fileName)});
    return found != addresses_.end() && !sameResourceAddress(found->second.view(), address.view());
}

}  // namespace ld
