// The status-label sentences that tell how a search or a resolution ended
// when it went wrong, put together from the texts of course_texts.h. Pure
// functions; the results are fresh Texts (GBK).
#pragma once

#include <optional>

#include "text/text.h"
#include "web/http_outcome.h"

namespace ld {

// How one request of a search went wrong: anything but a usable answer.
struct RequestFailure {
    HttpOutcome outcome = HttpOutcome::ConnectionFailed;
    int status = 0;  // the error status when outcome is ErrorStatus
};

// The failure, or nullopt when the reply is a usable answer.
std::optional<RequestFailure> requestFailureOf(const HttpTextReply& reply);

// One sentence saying why the request to the service (a UTF-8 name such as
// "课程平台") brought no usable answer, e.g. "无法连接课程平台：连接被拒绝" or
// "课程平台返回错误 (404)".
Text requestFailureText(const char* serviceUtf8, const RequestFailure& failure);

// The status a catalogue request leaves when it listed no lecture: why the
// platform gave no usable answer, or that its answer held no lecture.
Text catalogueEndText(const HttpTextReply& reply);

// The status after the resolution: "解析完成", followed by the cause when
// every play-info request of the search failed (the first failure's cause).
Text resolutionEndText(const std::optional<RequestFailure>& everyRequestFailed);

}  // namespace ld
