#include "course/course_events.h"

#include <memory>

#include "course/catalogue_fetch.h"
#include "course/course_searches.h"
#include "course/parse_list_actions.h"
#include "course/window_link.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

// Owned by the installed handlers, so it goes when the window drops them: the
// workers' link to the window is cut then.
class CourseWiring {
  public:
    explicit CourseWiring(Controls& controls)
        : link(std::make_shared<WindowLink>(controls)),
          searches(std::make_shared<CourseSearches>()) {}
    CourseWiring(const CourseWiring&) = delete;
    CourseWiring& operator=(const CourseWiring&) = delete;
    ~CourseWiring() { link->cut(); }

    const std::shared_ptr<WindowLink> link;
    const std::shared_ptr<CourseSearches> searches;
};

}  // namespace

void wireCourseEvents(Controls& controls, SharedState& state, int playInfoRequestsInFlight) {
    auto wiring = std::make_shared<CourseWiring>(controls);
    Controls* window = &controls;
    SharedState* shared = &state;
    controls.setHandler(kSearchClicked, [window, wiring, playInfoRequestsInFlight] {
        startCatalogueFetch(*window, wiring->link, wiring->searches, playInfoRequestsInFlight);
    });
    controls.setHandler(kParseListDoubleClicked,
                        [window, shared, wiring] { copySelectedToDownloadList(*window, *shared); });
    controls.setHandler(kAddAllClicked,
                        [window, shared, wiring] { copyAllToDownloadList(*window, *shared); });
    controls.setHandler(kClearParseListClicked, [window, wiring] { clearParseList(*window); });
    controls.setHandler(kRemoveFailedClicked, [window, wiring] { removeFailedRows(*window); });
}

}  // namespace ld
