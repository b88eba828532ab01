#include "download/queue/row_file_names.h"

#include <set>

#include "download/queue/safe_file_name.h"
#include "window/control_aliases.h"

namespace ld {

Text rowFileName(Controls& controls, int row, const Text& folder, const FinishedFiles& finished) {
    if (row < 0 || row >= controls.rowCount(kDownloadList)) {
        return {};
    }
    std::set<std::u16string> taken;
    Text name;
    for (int current = 0; current <= row; ++current) {
        const Text title = controls.getCellText(kDownloadList, current, kDownloadTitleColumn);
        const Text address = controls.getCellText(kDownloadList, current, kDownloadAddressColumn);
        int number = 1;
        name = numberedFileName(title, number);
        std::u16string key = fileNameComparisonKey(name);
        while (taken.contains(key) || finished.heldByOtherAddress(folder, name, address)) {
            name = numberedFileName(title, ++number);
            key = fileNameComparisonKey(name);
        }
        taken.insert(std::move(key));
    }
    return name;
}

}  // namespace ld
