#include "app/event_wiring.h"

#include "app/lifecycle.h"
#include "course/course_events.h"
#include "download/queue/download_list_edits.h"
#include "download/queue/download_queue.h"

namespace ld {

void wireEvents(Controls& controls, Globals& globals) {
    controls.setHandler(Event::created,
                        [&controls, &globals] { prepareMainWindow(controls, globals); });
    controls.setHandler(Event::aboutToBeDestroyed, [&globals] { shutDownMainWindow(globals); });
    wireDownloadListEdits(controls, globals.shared);
    wireCourseEvents(controls, globals.shared);
    wireDownloadQueueEvents(controls, globals.engine, globals.shared, globals.queue);
}

}  // namespace ld
