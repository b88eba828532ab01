#include "course/search_end_text.h"

#include <string>

#include "course/course_texts.h"
#include "text/codepage.h"
#include "text/text_ops.h"

namespace ld {
namespace {

const char* sentenceFor(HttpOutcome outcome) {
    for (const course_text::RequestFailureText& entry : course_text::kRequestFailureTexts) {
        if (entry.outcome == outcome) {
            return entry.sentence;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<RequestFailure> requestFailureOf(const HttpTextReply& reply) {
    if (reply.outcome == HttpOutcome::Answered) {
        return std::nullopt;
    }
    return RequestFailure{reply.outcome, reply.status};
}

Text requestFailureText(const char* serviceUtf8, const RequestFailure& failure) {
    // Every outcome but a usable answer has a sentence; the network's catch-all
    // stands in should one ever be missing.
    const char* found = sentenceFor(failure.outcome);
    std::string sentence = found != nullptr ? found : sentenceFor(HttpOutcome::ConnectionFailed);
    const auto slot = sentence.find("{}");
    if (slot != std::string::npos) {
        sentence.replace(slot, 2, serviceUtf8);
    }
    if (failure.outcome == HttpOutcome::ErrorStatus) {
        sentence += " (" + std::to_string(failure.status) + ")";
    }
    return gbk(sentence);
}

Text catalogueEndText(const HttpTextReply& reply) {
    const std::optional<RequestFailure> failure = requestFailureOf(reply);
    if (!failure) {
        return gbk(course_text::kNoLectures);
    }
    return requestFailureText(course_text::kCoursePlatform, *failure);
}

Text resolutionEndText(const std::optional<RequestFailure>& everyRequestFailed) {
    if (!everyRequestFailed) {
        return gbk(course_text::kResolutionDone);
    }
    return concatTexts({gbk(course_text::kResolutionDoneBut),
                        requestFailureText(course_text::kVideoHost, *everyRequestFailed)});
}

}  // namespace ld
