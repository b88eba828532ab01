// upperCaseForComparison on Windows: LCMapStringEx with LCMAP_UPPERCASE in the
// invariant locale, the system's own mapping of each code unit.
#include <windows.h>

#include "text/codepage_units.h"
#include "text/upper_case.h"

namespace ld {

std::u16string upperCaseForComparison(const Text& text) {
    std::u16string units = detail::gbkToUnits(text.view());
    if (units.empty()) {
        return units;
    }
    const std::wstring wide(units.begin(), units.end());
    std::wstring upper(wide.size(), L'\0');
    const int size = static_cast<int>(wide.size());
    // Upper case keeps the number of units; a system that says otherwise keeps the text as is.
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), size, upper.data(), size,
                      nullptr, nullptr, 0) == size) {
        units.assign(upper.begin(), upper.end());
    }
    return units;
}

}  // namespace ld
