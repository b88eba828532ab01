// The decisions made before a request goes out, checked without a network.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "text/text_ops.h"
#include "web/http_request.h"
#include "web/http_transport.h"

namespace ld {
namespace {

RequestPlan plainPlan(const std::string& url, const Text& extraHeaders = Text()) {
    // The arguments httpRequestText passes on for a bare GET: proxy present, empty.
    return planRequest(Text(url), 0, Text(), Text(), extraHeaders, false, ByteSet(), Text());
}

TEST(RequestPlan, AddressesSplitIntoHostPortAndPath) {
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* path;
        bool secure;
    };
    const Case cases[] = {
        {"http://host:8080/a?b=1", "host", 8080, "/a?b=1", false},
        {"HTTPS://Api.Course.Example/Course/X", "api.course.example", 443, "/Course/X", true},
        {"https://h.example:8443/p", "h.example", 8443, "/p", true},
        {"http://host.example", "host.example", 80, "/", false},
        {"http://host.example/", "host.example", 80, "/", false},
        {"host.example/list?id=1", "host.example", 80, "/list?id=1", false},
        {"http://Host.Example:81", "host.example", 81, "/", false},
        // "#" is part of the path here, not the start of a fragment.
        {"http://api.example/course/getCourseNested/141#top", "api.example", 80,
         "/course/getCourseNested/141%23top", false},
    };
    for (const Case& c : cases) {
        const RequestPlan plan = plainPlan(c.url);
        EXPECT_EQ(plan.host, Text(c.host)) << c.url;
        EXPECT_EQ(plan.port, c.port) << c.url;
        EXPECT_EQ(plan.path, Text(c.path)) << c.url;
        EXPECT_EQ(plan.secure, c.secure) << c.url;
    }
    EXPECT_EQ(urlHost(Text("http://Host:8080/a"), true), Text("host:8080"));
    EXPECT_EQ(valueAfterColon(Text("Location:  /next ")), Text("/next"));
    EXPECT_EQ(valueAfterColon(Text("no colon")), Text());
}

TEST(RequestPlan, BareGetIsTheRequestBothWorkersSend) {
    const std::string url = "http://api.course.example/course/getCourseNested/7";
    const RequestPlan plan = plainPlan(url);
    EXPECT_EQ(plan.flags, 0x80084010u);
    EXPECT_EQ(plan.accessType, 3);
    EXPECT_EQ(plan.proxyList, std::optional<Text>(Text("http=")));
    EXPECT_EQ(plan.verb, Text("GET"));
    EXPECT_EQ(plan.agent, Text(kDefaultAgent));
    EXPECT_FALSE(plan.sendsBody);
    EXPECT_TRUE(plan.followRedirects);
    EXPECT_EQ(plan.headerBlock.bytes(), "Referer: " + url +
                                            "\r\nAccept: */*\r\nAccept-Language: zh-cn"
                                            "\r\nContent-Type: application/x-www-form-urlencoded");
}

TEST(RequestPlan, FlagsAndAccessFollowTheArguments) {
    namespace flag = request_flag;
    const RequestPlan secure = plainPlan("HTTPS://host/");
    EXPECT_EQ(secure.flags, flag::kReload | flag::kNeedFile | flag::kNoCookies | flag::kSecure);

    const RequestPlan noRedirect =
        planRequest(Text("http://host/"), 0, Text(), Text(), Text(), true, ByteSet(), std::nullopt);
    EXPECT_EQ(noRedirect.flags, 0x80084010u | flag::kNoAutoRedirect);
    EXPECT_FALSE(noRedirect.followRedirects);
    EXPECT_EQ(noRedirect.accessType, 1);
    EXPECT_FALSE(noRedirect.proxyList.has_value());

    const RequestPlan named = planRequest(Text("http://host/"), 0, Text(), Text(), Text(), false,
                                          ByteSet(), Text("proxy.example:3128"));
    EXPECT_EQ(named.accessType, 3);
    EXPECT_EQ(named.proxyList, std::optional<Text>(Text("http=proxy.example:3128")));
}

TEST(RequestPlan, AgentComesFromAUserAgentLine) {
    struct Case {
        const char* extraHeaders;
        const char* agent;
        const char* blockStart;
    };
    const Case cases[] = {
        {"User-Agent: X", "X", "User-Agent: X\r\nReferer: http://h/"},
        {"user-agent:  Lower Case \r\nX-A: 1", "Lower Case",
         "user-agent:  Lower Case \r\nX-A: 1\r\n"},
        {"X-A: 1\r\nUser-Agent: Y\r\nX-B: 2", "Y", "X-A: 1\r\nUser-Agent: Y\r\nX-B: 2\r\n"},
        // The last line: its value runs to the end of the block.
        {"User-Agent: Last", "Last", "User-Agent: Last\r\n"},
        {"X-A: 1\r\nUser-Agent: Last", "Last", "X-A: 1\r\nUser-Agent: Last\r\n"},
        // An empty value stays empty; the next line's text is not taken.
        {"User-Agent:\r\nX-A: 1", "", "User-Agent:\r\nX-A: 1\r\n"},
    };
    for (const Case& c : cases) {
        const RequestPlan plan = plainPlan("http://h/", Text(c.extraHeaders));
        EXPECT_EQ(plan.agent, Text(c.agent)) << c.extraHeaders;
        EXPECT_EQ(leftText(plan.headerBlock, int(std::string(c.blockStart).size())),
                  Text(c.blockStart))
            << c.extraHeaders;
    }
}

TEST(RequestPlan, LineBreaksInTheAddressOrCookiesStartNoHeaderOfTheirOwn) {
    const RequestPlan plan =
        planRequest(Text("http://h/a\r\nX-Injected: 1"), 0, Text(), Text("k=v\r\nX-Other: 2"),
                    Text(), false, ByteSet(), std::nullopt);
    EXPECT_EQ(findText(plan.headerBlock, "\r\nX-"), -1);
    EXPECT_NE(findText(plan.headerBlock, "Referer: http://h/aX-Injected: 1"), -1);
    EXPECT_NE(findText(plan.headerBlock, "Cookie: k=vX-Other: 2"), -1);
}

TEST(RequestPlan, VerbBodyAndCookieLine) {
    const RequestPlan post = planRequest(Text("http://h/"), 1, Text("a=1"), Text("k=v"), Text(),
                                         false, ByteSet(), std::nullopt);
    EXPECT_EQ(post.verb, Text("POST"));
    EXPECT_TRUE(post.sendsBody);
    EXPECT_EQ(post.body.view(), "a=1");
    EXPECT_EQ(rightText(post.headerBlock, 13), Text("\r\nCookie: k=v"));

    const RequestPlan bytes = planRequest(Text("http://h/"), 2, Text("text"), Text(), Text(), false,
                                          ByteSet::fromString("raw"), std::nullopt);
    EXPECT_EQ(bytes.verb, Text("GET"));
    EXPECT_EQ(bytes.body.view(), "raw");

    const RequestPlan typed = plainPlan("http://h/", Text("Content-Type: text/plain"));
    EXPECT_EQ(findText(typed.headerBlock, "application/x-www-form-urlencoded"), -1);
}

TEST(RequestPlan, TransferHeaderEntriesKeepTheBlockOrder) {
    RequestPlan plan = plainPlan("http://h.example:8080/p", Text("X-Empty:\r\nX-Full: 1"));
    const std::vector<std::string> entries = curlHeaderEntries(plan);
    const std::vector<std::string> expected = {
        "Host:",
        "X-Empty;",
        "X-Full: 1",
        "Referer: http://h.example:8080/p",
        "Accept: */*",
        "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded",
        "User-Agent: " + std::string(kDefaultAgent),
        "Host: h.example:8080",
        "Expect:",
    };
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(curlHeaderEntries(plainPlan("https://h.example/"))[6], "Host: h.example");
    plan.path = Text("/a b\x01");
    EXPECT_EQ(curlAddress(plan), "http://h.example:8080/a%20b%01");
}

}  // namespace
}  // namespace ld
