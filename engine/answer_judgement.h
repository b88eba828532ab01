// Whether a server's answer may be written into the partial file, and what the end of a
// transfer means for its range. These rules are what keeps a download from mixing bytes of
// two versions of a file or ending short. Pure functions: no I/O, no clock of their own,
// safe on any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include <curl/curl.h>

#include "engine/http_response.h"
#include "engine/resume_metadata.h"
#include "engine/segment_planner.h"

namespace ld::engine {

// The head of the final answer to one request.
struct AnswerHead {
    long status = 0;
    std::optional<ContentRange> contentRange;
    std::string etag;
    std::string lastModified;
    std::string retryAfter;
    std::int64_t contentLength = -1;  // -1 when not announced
};

// The request the answer belongs to.
struct AskedFor {
    std::int64_t from = 0;      // first byte asked for
    bool sentRange = true;      // a Range header went out
    bool forSegment = true;     // false: the check that data claiming to be complete still is
    bool comparesHeld = false;  // its first bytes are held already and are to be compared
};

// What the task holds when the answer arrives.
struct HeldData {
    RemoteIdentity remote;           // the file as the server described it so far
    std::int64_t plannedTotal = -1;  // the length the ranges are planned for; -1 unknown
    std::int64_t doneBytes = 0;      // bytes on disk
    bool complete = false;           // every byte is on disk and the length is known
    bool singleOpenRange = false;    // one range of unknown length
};

struct AnswerDecision {
    enum class Kind {
        KeepRange,        // a 206 for the range asked: write its body there
        KeepWhole,        // the whole file from byte 0: start the file over with this body
        DistrustRanges,   // a 206 for another range: start over without ranges
        StartOver,        // another version of the file, or a 416 the data does not explain
        WrongLength,      // a 206 for another length than planned: drop this answer
        AlreadyComplete,  // a 416 after the last byte: the data on disk is the whole file
        EndsHere,         // a 416 giving the open range's length: it ends where it stands
        Failed,           // an error status
    };
    Kind kind = Kind::Failed;
    // KeepRange, KeepWhole: the file as the server describes it from now on.
    RemoteIdentity remote;
    // KeepRange, KeepWhole, EndsHere: a length to plan for (and reserve); -1 for none new.
    std::int64_t adoptTotal = -1;
    // KeepWhole: a Range request was answered with the whole file.
    bool rangesRefused = false;
    // Failed: worth another try, what to report if not, and how long the server asked to
    // wait.
    bool transient = false;
    int failureCode = 0;
    std::chrono::milliseconds retryAfter{0};
};

// Judges the head of an answer. `now` (wall clock) dates a Retry-After given as a date.
AnswerDecision judgeAnswer(const AnswerHead& head, const AskedFor& asked, const HeldData& held,
                           std::chrono::system_clock::time_point now);

struct EndDecision {
    enum class Kind {
        RangeDone,  // everything asked for arrived
        EndsHere,   // the open-ended range ended cleanly: the file ends at its position
        Retry,      // worth another try: a body cut short, a dropped connection
        Failed,     // failed for good
    };
    Kind kind = Kind::Failed;
    int failureCode = 0;  // Retry, Failed
};

// Judges a transfer libcurl ended on its own, after its answer was kept. `range` is the
// range it filled as it stands now; nothing when it filled none.
EndDecision judgeEnd(CURLcode result, const std::optional<Segment>& range);

}  // namespace ld::engine
