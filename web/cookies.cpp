// Cookie bookkeeping of one exchange: reading the response's header block
// and merging the cookies the server set with the ones the caller sent.
#include "text/text_ops.h"
#include "web/http_request.h"

namespace ld {

Text cookieName(const Text& pair) {
    const int equals = findText(pair, "=");
    if (equals == -1) {
        return trimSpaces(pair);
    }
    return trimSpaces(leftText(pair, equals - 1));
}

bool hasCookieNamed(const TextArray& pairs, const Text& name) {
    for (const Text& pair : pairs) {
        if (compareTexts(cookieName(pair), name) == 0) {
            return true;
        }
    }
    return false;
}

Text mergeCookies(Text& cookies, Text& returnedCookies) {
    cookies = removeAllSpaces(cookies);
    returnedCookies = removeAllSpaces(returnedCookies);
    const TextArray sent = splitText(cookies, ";");
    TextArray merged = splitText(returnedCookies, ";");
    // The list grows while the caller's cookies are walked, so of several
    // caller cookies with one name only the first is kept.
    for (const Text& pair : sent) {
        if (!hasCookieNamed(merged, cookieName(pair))) {
            merged.push_back(pair);
        }
    }
    std::string joined;
    for (const Text& pair : merged) {
        if (rightText(pair, 8) != Text("=deleted")) {
            joined += pair.bytes();
            joined += "; ";
        }
    }
    const int keep = static_cast<int>(joined.size()) - 2;
    cookies = leftText(Text(std::move(joined)), keep);
    return cookies;
}

namespace {

// The name=value pair of a Set-Cookie line: what stands between the marker
// and the first ";". A cookie without attributes has no ";", and then the
// rest of the line is the pair.
Text setCookiePair(const Text& line) {
    const Text marker("Set-Cookie:");
    const Text between = textBetween(line, marker, ";");
    if (!between.empty()) {
        return trimSpaces(between);
    }
    const int at = findText(line, marker, 1, true);
    if (at == -1 || findText(line, ";", at + textLength(marker)) != -1) {
        return Text();
    }
    return trimSpaces(rightText(line, textLength(line) - (at - 1) - textLength(marker)));
}

}  // namespace

void applyResponseHeaders(const Text& responseHeaders, Text& cookies, Text& returnedCookies,
                          Text& redirectTarget) {
    std::string pairs;
    for (const Text& line : splitText(responseHeaders, "\r\n")) {
        if (findText(line, "Location:") != -1) {
            redirectTarget = valueAfterColon(line);
        }
        if (findText(line, "Set-Cookie") != -1) {
            pairs += setCookiePair(line).bytes();
            pairs += "; ";
        }
    }
    const int keep = static_cast<int>(pairs.size()) - 2;
    returnedCookies = leftText(Text(std::move(pairs)), keep);
    if (redirectTarget.empty()) {
        redirectTarget = responseHeaders;
    }
    mergeCookies(cookies, returnedCookies);
}

}  // namespace ld
