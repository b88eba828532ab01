// Splitting an address into host, port and path, the way the request is
// addressed: built from the Text operations, quirks included (a host is found
// between "http://" and the next "/" wherever "http://" occurs).
#include "text/text_ops.h"
#include "web/http_request.h"

namespace ld {

Text urlHost(const Text& address, bool keepPort) {
    Text text = toLowerText(address);
    if (rightText(text, 1) != Text("/")) {
        text = concatTexts({text, "/"});
    }
    Text host;
    if (leftText(text, 8) == Text("https://")) {
        host = textBetween(text, "https://", "/");
    } else {
        if (findText(text, "http://") == -1) {
            text = concatTexts({"http://", text});
        }
        host = textBetween(text, "http://", "/");
    }
    if (!keepPort) {
        const int colon = findText(host, ":");
        if (colon != -1) {
            host = leftText(host, colon - 1);
        }
    }
    return host;
}

int urlPort(const Text& address) {
    const Text host = urlHost(address, true);
    const int colon = findTextBackward(host, ":");
    if (colon == -1) {
        return leftText(toLowerText(address), 5) == Text("https") ? 443 : 80;
    }
    return toInteger(rightText(host, textLength(host) - colon));
}

Text urlPath(const Text& address) {
    const int hostAt = findText(address, urlHost(address, false), 1, true);
    const int slash = findText(address, "/", hostAt, true);
    if (slash == -1) {
        return Text("/");
    }
    return rightText(address, textLength(address) - slash + 1);
}

Text valueAfterColon(const Text& line) {
    const int colon = findText(line, ":");
    if (colon == -1) {
        return Text();
    }
    return trimSpaces(rightText(line, textLength(line) - colon));
}

}  // namespace ld
