// upperCaseForComparison through ICU: u_toupper of each code unit.
#include <unicode/uchar.h>

#include "text/codepage_units.h"
#include "text/upper_case.h"

namespace ld {

std::u16string upperCaseForComparison(const Text& text) {
    std::u16string units = detail::gbkToUnits(text.view());
    for (char16_t& unit : units) {
        unit = static_cast<char16_t>(u_toupper(unit));
    }
    return units;
}

}  // namespace ld
