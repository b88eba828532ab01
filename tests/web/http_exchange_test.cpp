// Whole exchanges against servers on 127.0.0.1: what goes out byte for byte,
// and what comes back in the out-parameters.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/web/raw_http_server.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/http_request.h"

namespace ld {
namespace {

using test::RawHttpServer;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

std::string okResponse(const std::string&) {
    return RawHttpServer::response("HTTP/1.1 200 OK", "", "fine");
}

// Every optional argument of one call, starting empty.
struct Call {
    int method = 0;
    Text postText;
    Text cookies;
    Text returnedCookies;
    Text extraHeaders;
    Text redirectTarget;
    bool noRedirect = false;
    ByteSet postBytes;
    std::optional<Text> proxy;
    Text responseHeaders;

    ByteSet run(const std::string& url) {
        return httpRequest(Text(url), method, postText, cookies, returnedCookies, extraHeaders,
                           redirectTarget, noRedirect, postBytes, proxy, responseHeaders);
    }
};

std::string headerBlockSent(const std::string& request) {
    return request.substr(0, request.find("\r\n\r\n") + 4);
}

TEST(HttpExchange, PlainGetSendsTheFixedHeaderBlockInOrder) {
    RawHttpServer server(okResponse);
    const std::string url = server.baseUrl() + "/course/getCourseNested/42?x=Y";
    EXPECT_EQ(httpRequestText(Text(url)), Text("fine"));

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "GET /course/getCourseNested/42?x=Y HTTP/1.1\r\n"
              "Referer: " +
                  url +
                  "\r\n"
                  "Accept: */*\r\n"
                  "Accept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n"
                  "User-Agent: " +
                  std::string(kDefaultAgent) +
                  "\r\n"
                  "Host: 127.0.0.1:" +
                  std::to_string(server.port()) +
                  "\r\n"
                  "\r\n");
}

TEST(HttpExchange, TheRequestLineCarriesEverythingAfterTheHost) {
    // A course identifier runs to the end of the address, "#" and blanks
    // included; none of it may be cut off or sent unescaped.
    struct Case {
        const char* path;
        const char* requestLine;
    };
    const Case cases[] = {
        {"/course/getCourseNested/141#top", "GET /course/getCourseNested/141%23top HTTP/1.1"},
        {"/course/getCourseNested/141 #a b", "GET /course/getCourseNested/141%20%23a%20b HTTP/1.1"},
        {"/c/1?x=2#3", "GET /c/1?x=2%233 HTTP/1.1"},
        {"/c/#", "GET /c/%23 HTTP/1.1"},
    };
    for (const Case& c : cases) {
        RawHttpServer server(okResponse);
        EXPECT_EQ(httpRequestText(Text(server.baseUrl() + c.path)), Text("fine")) << c.path;
        ASSERT_EQ(server.requests().size(), 1u) << c.path;
        EXPECT_THAT(server.requests()[0], StartsWith(std::string(c.requestLine) + "\r\n"))
            << c.path;
    }
}

TEST(HttpExchange, CallerHeaderLinesDecideWhichDefaultsAreAdded) {
    struct Case {
        const char* extraHeaders;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        // An Accept line of the caller's is not repeated.
        {"Accept: text/html", {"\r\nAccept: text/html\r\nReferer: "}, {"Accept: */*"}},
        // Written in lower case it does not count, so the default follows.
        {"accept: text/html", {"\r\naccept: text/html\r\n", "\r\nAccept: */*\r\n"}, {}},
        // A User-Agent line is the agent; no second agent line goes out.
        {"User-Agent: LectureBot/2",
         {"HTTP/1.1\r\nUser-Agent: LectureBot/2\r\nReferer: "},
         {"Mozilla/4.0"}},
        {"X-One: 1\r\nuser-agent: lower/1\r\nX-Two: 2",
         {"\r\nX-One: 1\r\nuser-agent: lower/1\r\nX-Two: 2\r\nReferer: "},
         {"Mozilla/4.0"}},
    };
    for (const Case& c : cases) {
        RawHttpServer server(okResponse);
        Call call;
        call.extraHeaders = Text(c.extraHeaders);
        call.run(server.baseUrl() + "/h");
        ASSERT_EQ(server.requests().size(), 1u) << c.extraHeaders;
        const std::string head = headerBlockSent(server.requests()[0]);
        for (const std::string& part : c.present) {
            EXPECT_THAT(head, HasSubstr(part)) << c.extraHeaders;
        }
        for (const std::string& part : c.absent) {
            EXPECT_THAT(head, Not(HasSubstr(part))) << c.extraHeaders;
        }
        EXPECT_EQ(head.find("Accept:"), head.rfind("Accept:")) << c.extraHeaders;
    }
}

TEST(HttpExchange, BodiesFollowTheMethod) {
    struct Case {
        const char* name;
        int method;
        const char* postText;
        std::string postBytes;
        std::string requestLine;
        std::string body;
    };
    const Case cases[] = {
        {"method 2 is a GET with a body", 2, "k=v&n=1", "", "GET /f HTTP/1.1", "k=v&n=1"},
        {"POST with neither body", 1, "", "", "POST /f HTTP/1.1", ""},
        {"the bytes win over the text", 1, "ignored", std::string("a\0b", 3), "POST /f HTTP/1.1",
         std::string("a\0b", 3)},
        {"method 0 sends no body", 0, "dropped", "", "GET /f HTTP/1.1", ""},
    };
    for (const Case& c : cases) {
        RawHttpServer server(okResponse);
        Call call;
        call.method = c.method;
        call.postText = Text(c.postText);
        call.postBytes = ByteSet::fromString(c.postBytes);
        EXPECT_EQ(call.run(server.baseUrl() + "/f").view(), "fine") << c.name;
        ASSERT_EQ(server.requests().size(), 1u) << c.name;
        const std::string request = server.requests()[0];
        const std::string head = headerBlockSent(request);
        EXPECT_THAT(request, StartsWith(c.requestLine + "\r\n")) << c.name;
        EXPECT_EQ(request.substr(head.size()), c.body) << c.name;
        EXPECT_THAT(head, HasSubstr("\r\nContent-Type: application/x-www-form-urlencoded\r\n"))
            << c.name;
        if (c.method != 0) {
            EXPECT_THAT(head, HasSubstr("\r\nContent-Length: " + std::to_string(c.body.size())))
                << c.name;
        } else {
            EXPECT_THAT(head, Not(HasSubstr("Content-Length"))) << c.name;
        }
        EXPECT_THAT(head, Not(HasSubstr("Expect:"))) << c.name;
    }
}

TEST(HttpExchange, CookiesGoOutAndComeBackMerged) {
    struct Case {
        const char* setCookies;
        const char* cookiesIn;
        const char* returnedOut;
        const char* cookiesOut;
    };
    const Case cases[] = {
        {"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2; path=/\r\n", "b=0; c=3", "a=1;b=2",
         "a=1; b=2; c=3"},
        {"Set-Cookie: s=deleted; path=/\r\n", "s=1", "s=deleted", ""},
    };
    for (const Case& c : cases) {
        RawHttpServer server([&c](const std::string&) {
            return RawHttpServer::response("HTTP/1.1 200 OK", c.setCookies, "ok");
        });
        Call call;
        call.cookies = Text(c.cookiesIn);
        call.run(server.baseUrl() + "/c");
        ASSERT_EQ(server.requests().size(), 1u);
        EXPECT_THAT(headerBlockSent(server.requests()[0]),
                    HasSubstr("\r\nContent-Type: application/x-www-form-urlencoded\r\nCookie: " +
                              std::string(c.cookiesIn) + "\r\n"));
        EXPECT_EQ(call.returnedCookies, Text(c.returnedOut));
        EXPECT_EQ(call.cookies, Text(c.cookiesOut));
    }
}

// A real HTTP server library on the other side: redirects and encodings.
class LibraryServer {
  public:
    LibraryServer() {
        server_.Get("/start", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/final");
        });
        server_.Get("/final", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie", "seen=yes; path=/");
            response.set_content("arrived", "text/plain");
        });
        server_.Get("/title", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("第一讲 课程介绍", "text/plain; charset=utf-8");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~LibraryServer() {
        server_.stop();
        thread_.join();
    }
    LibraryServer(const LibraryServer&) = delete;
    LibraryServer& operator=(const LibraryServer&) = delete;

    [[nodiscard]] std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

TEST(HttpExchange, FollowedRedirectReportsOnlyTheFinalResponse) {
    LibraryServer server;
    Call call;
    EXPECT_EQ(call.run(server.url("/start")).view(), "arrived");
    EXPECT_THAT(call.responseHeaders.bytes(), StartsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_THAT(call.responseHeaders.bytes(), Not(HasSubstr("Location")));
    EXPECT_THAT(call.responseHeaders.bytes(), HasSubstr("\r\nSet-Cookie: seen=yes; path=/\r\n"));
    EXPECT_THAT(call.responseHeaders.bytes(), Not(HasSubstr("\r\n\r\n")));
    EXPECT_EQ(rightText(call.responseHeaders, 2), Text("\r\n"));
    // No Location line and an empty incoming value: the whole header text.
    EXPECT_EQ(call.redirectTarget, call.responseHeaders);
    EXPECT_EQ(call.returnedCookies, Text("seen=yes"));
}

TEST(HttpExchange, NoRedirectLeavesTheLocationValue) {
    LibraryServer server;
    Call call;
    call.noRedirect = true;
    call.run(server.url("/start"));
    EXPECT_THAT(call.responseHeaders.bytes(), StartsWith("HTTP/1.1 302 Found\r\n"));
    EXPECT_EQ(call.redirectTarget, Text("/final"));
}

TEST(HttpExchange, EachRedirectHopIsANewRequestToItsOwnHost) {
    struct Case {
        const char* status;
        int method;
        std::string requestLine;
        std::string body;
    };
    const Case cases[] = {
        {"HTTP/1.1 302 Found", 0, "GET /b HTTP/1.1", ""},
        {"HTTP/1.1 302 Found", 1, "GET /b HTTP/1.1", ""},
        {"HTTP/1.1 303 See Other", 1, "GET /b HTTP/1.1", ""},
        {"HTTP/1.1 307 Temporary Redirect", 1, "POST /b HTTP/1.1", "k=v"},
    };
    for (const Case& c : cases) {
        RawHttpServer target(
            [](const std::string&) { return RawHttpServer::response("HTTP/1.1 200 OK", "", "B"); });
        const std::string next = target.baseUrl() + "/b";
        RawHttpServer origin([&](const std::string&) {
            return RawHttpServer::response(c.status, "Location: " + next + "\r\n", "moved");
        });
        Call call;
        call.method = c.method;
        call.postText = Text("k=v");
        call.cookies = Text("sid=1");
        EXPECT_EQ(call.run(origin.baseUrl() + "/a").view(), "B") << c.status;
        ASSERT_EQ(target.requests().size(), 1u) << c.status;
        const std::string request = target.requests()[0];
        const std::string head = headerBlockSent(request);
        EXPECT_THAT(head, StartsWith(c.requestLine + "\r\nReferer: " + origin.baseUrl() + "/a\r\n"))
            << c.status;
        EXPECT_THAT(head,
                    HasSubstr("\r\nHost: 127.0.0.1:" + std::to_string(target.port()) + "\r\n"))
            << c.status;
        // The caller's cookies are for the first host only.
        EXPECT_THAT(head, Not(HasSubstr("Cookie"))) << c.status;
        EXPECT_EQ(request.substr(head.size()), c.body) << c.status;
    }
}

TEST(HttpExchange, Utf8BodyArrivesAsGbkText) {
    LibraryServer server;
    EXPECT_EQ(httpRequestText(Text(server.url("/title"))), gbk("第一讲 课程介绍"));
    EXPECT_EQ(httpRequest(Text(server.url("/title"))).view(), "第一讲 课程介绍");
}

TEST(HttpExchange, CallsOnSeveralThreadsAreIndependent) {
    RawHttpServer server([](const std::string&) {
        return RawHttpServer::response("HTTP/1.1 200 OK", "Set-Cookie: seen=yes; path=/\r\n",
                                       "第一讲 课程介绍");
    });
    constexpr int kThreads = 4;
    std::vector<Text> titles(kThreads);
    std::vector<Text> cookies(kThreads);
    {
        std::vector<std::jthread> workers;
        for (int i = 0; i < kThreads; ++i) {
            workers.emplace_back([&, i] {
                titles[i] = httpRequestText(Text(server.baseUrl() + "/title"));
                Call call;
                call.cookies = Text("own=" + std::to_string(i));
                call.run(server.baseUrl() + "/again");
                cookies[i] = call.cookies;
            });
        }
    }
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(titles[i], gbk("第一讲 课程介绍"));
        EXPECT_EQ(cookies[i], Text("seen=yes; own=" + std::to_string(i)));
    }
}

TEST(HttpExchange, UnreachablePortGivesEmptyBodyAndBlankHeaders) {
    Call call;
    call.cookies = Text(" a = 1 ");
    const ByteSet body = call.run("http://127.0.0.1:" + std::to_string(test::unusedPort()) + "/");
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(call.responseHeaders, blankText(5000));
    EXPECT_EQ(call.redirectTarget, blankText(5000));
    EXPECT_TRUE(call.returnedCookies.empty());
    EXPECT_EQ(call.cookies, Text("a=1"));
}

TEST(HttpExchange, MalformedAddressChangesNothing) {
    Call call;
    call.cookies = Text("keep = me");
    call.responseHeaders = Text("before");
    EXPECT_TRUE(call.run("http://bad host/").empty());
    EXPECT_EQ(call.cookies, Text("keep = me"));
    EXPECT_EQ(call.responseHeaders, Text("before"));
    EXPECT_TRUE(call.redirectTarget.empty());
}

TEST(HttpExchange, OversizedAnswersAreRefusedOrCut) {
    // A body declared beyond the limit is a failed exchange, not 64 MiB held.
    RawHttpServer huge([](const std::string&) {
        return std::string("HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\nstart");
    });
    Call call;
    EXPECT_TRUE(call.run(huge.baseUrl() + "/").empty());
    EXPECT_EQ(call.responseHeaders, blankText(5000));

    // Headers that do not fit 5000 bytes read as blanks; the body still arrives.
    RawHttpServer wide([](const std::string&) {
        return RawHttpServer::response("HTTP/1.1 200 OK",
                                       "X-Padding: " + std::string(6000, 'p') + "\r\n", "body");
    });
    Call second;
    EXPECT_EQ(second.run(wide.baseUrl() + "/").view(), "body");
    EXPECT_EQ(second.responseHeaders, blankText(5000));
}

// Restores one environment variable when the test ends.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(HttpExchange, ProxyArgumentChoosesTheRoute) {
    RawHttpServer proxy(okResponse);
    const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
    const std::string target = "http://lecture.invalid/list";
    const ScopedEnvironment httpProxy("http_proxy", "http://" + proxyAddress);
    const ScopedEnvironment noProxy("no_proxy", "");

    // Present but empty: the system's settings, here http_proxy.
    EXPECT_EQ(httpRequestText(Text(target)), Text("fine"));
    // Named: that proxy for an http address.
    Call named;
    named.proxy = Text(proxyAddress);
    EXPECT_EQ(named.run(target).view(), "fine");
    ASSERT_EQ(proxy.requests().size(), 2u);
    for (const std::string& request : proxy.requests()) {
        EXPECT_THAT(request, StartsWith("GET " + target + " HTTP/1.1\r\n"));
    }
    // Absent: a direct connection whatever the environment says.
    Call direct;
    direct.proxy.reset();
    direct.run("http://127.0.0.1:" + std::to_string(test::unusedPort()) + "/");
    EXPECT_EQ(proxy.requests().size(), 2u);
    EXPECT_EQ(direct.responseHeaders, blankText(5000));
}

}  // namespace
}  // namespace ld
