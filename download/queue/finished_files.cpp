#include "download/queue/finished_files.h"

#include <unicode/uchar.h>

#include "common/resource_address.h"
#include "text/codepage.h"

namespace ld {

std::u16string fileNameComparisonKey(const Text& fileName) {
    const ByteSet utf16 = gbkToUtf16(fileName);
    const auto& bytes = utf16.bytes();
    std::u16string key;
    key.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<UChar32>(bytes[i] | (bytes[i + 1] << 8));
        key.push_back(static_cast<char16_t>(u_toupper(unit)));
    }
    return key;
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
