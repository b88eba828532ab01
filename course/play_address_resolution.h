// Play-address resolution: a worker walks the parse list from the top, asks
// the play-info service about each row's video identifier and writes the
// "超清 1.75x" play address, or "解析失败", into the row's address column.
// When every play-info request failed (host not reached, error status), the
// status after "解析完成" names the cause.
//
// The parse list stays usable meanwhile (清空列表, 删除失败, double-clicks), so
// the worker always takes the first row still waiting for its address, asks
// about that lecture, and writes the answer only if the row waiting first is
// still the same lecture. Rows removed meanwhile are neither asked about nor
// written, and the walk ends at the list's end as it is then.
#pragma once

#include "course/course_searches.h"
#include "text/text.h"
#include "web/regex_object.h"

namespace ld {

// The resolution worker's body. Writes nothing once its search is superseded.
void resolvePlayAddresses(const SearchTicket& ticket);

// "http://" + play-info host + "/servlet/playinfo?uid=..&vid=" + videoId +
// the fixed tail of query values.
Text playInfoAddress(const Text& videoId);

// The play address the answer holds for the "超清 1.75x" quality with
// "&amp;key=" turned into "&key=", or "解析失败" when it holds none.
Text playAddressFromAnswer(RegexObject& regex, const Text& answer);

}  // namespace ld
