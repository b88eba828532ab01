// Everything decided about a request before it goes out: address parts,
// verb, agent, header block, body and the flag word of the request.
#include "text/text_ops.h"
#include "web/http_request.h"

namespace ld {

namespace {

Text agentFor(const Text& extraHeaders) {
    const Text marker("User-Agent:");
    const int at = findText(extraHeaders, marker, 1, true);
    if (at == -1) {
        return Text(kDefaultAgent);
    }
    Text agent = trimSpaces(textBetween(extraHeaders, marker, "\r\n"));
    if (agent.empty()) {
        // The line is the last one: its value runs to the end of the block.
        // (Only that line's value: the value after the block's first colon
        // would carry the earlier lines, CR LF and all, into the agent.)
        const Text rest =
            rightText(extraHeaders, textLength(extraHeaders) - (at - 1) - textLength(marker));
        agent = findText(rest, "\r\n") == -1 ? trimSpaces(rest) : Text();
    }
    return agent;
}

// The path as it goes into the request line. A "#" would end the path there
// (everything after it counts as a fragment and is never sent), yet what
// follows belongs to the resource, e.g. a course identifier taken to the end
// of the address; so it travels as "%23". Blanks, control characters and bytes
// above 0x7F are escaped when the transfer is set up.
Text pathForRequestLine(const Text& path) {
    return replaceText(path, "#", "%23", 1, std::nullopt, true);
}

// A value that goes into a header line of its own: a CR or LF in it would end
// the line and start another header, so they are dropped.
Text withoutLineBreaks(const Text& value) {
    return replaceText(replaceText(value, "\r", Text(), 1, std::nullopt, true), "\n", Text(), 1,
                       std::nullopt, true);
}

Text headerBlockFor(const Text& address, const Text& cookieText, const Text& extraHeaders) {
    const Text url = withoutLineBreaks(address);
    const Text cookies = withoutLineBreaks(cookieText);
    Text block = extraHeaders;
    if (findText(block, "Referer:") == -1) {
        block = block.empty() ? concatTexts({"Referer: ", url})
                              : concatTexts({block, "\r\nReferer: ", url});
    }
    if (findText(block, "Accept:") == -1) {
        block = concatTexts({block, "\r\nAccept: */*"});
    }
    if (findText(block, "Accept-Language:") == -1) {
        block = concatTexts({block, "\r\nAccept-Language: zh-cn"});
    }
    if (findText(block, "Content-Type:") == -1) {
        block = concatTexts({block, "\r\nContent-Type: application/x-www-form-urlencoded"});
    }
    if (!cookies.empty()) {
        block = concatTexts({block, "\r\nCookie: ", cookies});
    }
    return block;
}

}  // namespace

RequestPlan planRequest(const Text& url, int method, const Text& postText, const Text& cookies,
                        const Text& extraHeaders, bool noRedirect, const ByteSet& postBytes,
                        const std::optional<Text>& proxy) {
    RequestPlan plan;
    plan.host = urlHost(url, false);
    plan.port = urlPort(url);
    plan.path = pathForRequestLine(urlPath(url));
    plan.secure = toLowerText(leftText(url, 5)) == Text("https");
    plan.verb = Text(method == 1 ? "POST" : "GET");
    plan.agent = agentFor(extraHeaders);
    plan.headerBlock = headerBlockFor(url, cookies, extraHeaders);

    namespace flag = request_flag;
    plan.flags = flag::kReload | flag::kNeedFile | flag::kNoCookies;
    if (noRedirect) {
        plan.flags |= flag::kNoAutoRedirect;
    }
    plan.flags |= plan.secure ? flag::kSecure : flag::kIgnoreRedirectToHttps;
    plan.followRedirects = !noRedirect;

    plan.proxy = proxy;
    if (proxy.has_value()) {
        plan.accessType = kAccessProxy;
        plan.proxyList = concatTexts({"http=", *proxy});
    } else {
        plan.accessType = kAccessDirect;
    }

    plan.sendsBody = method != 0;
    if (plan.sendsBody) {
        plan.body = postBytes.empty() ? textToBytes(postText) : postBytes;
    }
    return plan;
}

}  // namespace ld
