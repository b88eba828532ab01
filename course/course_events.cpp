#include "course/course_events.h"

#include <memory>

#include "course/catalogue_fetch.h"
#include "course/course_searches.h"
#include "course/parse_list_actions.h"

namespace ld {

void wireCourseEvents(Controls& controls, SharedState& state) {
    auto searches = std::make_shared<CourseSearches>();
    Controls* window = &controls;
    SharedState* shared = &state;
    controls.setHandler(Event::按钮1Clicked,
                        [window, searches] { startCatalogueFetch(*window, searches); });
    controls.setHandler(Event::超级列表框1DoubleClicked,
                        [window, shared] { copySelectedToDownloadList(*window, *shared); });
    controls.setHandler(Event::按钮2Clicked,
                        [window, shared] { copyAllToDownloadList(*window, *shared); });
    controls.setHandler(Event::按钮3Clicked, [window] { clearParseList(*window); });
    controls.setHandler(Event::按钮4Clicked, [window] { removeFailedRows(*window); });
}

}  // namespace ld
