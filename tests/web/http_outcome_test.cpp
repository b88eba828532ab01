// How an exchange ended, as httpRequestTextReply reports it: answered (with
// its status), or why the server was not reached. Servers on 127.0.0.1 only;
// the name that does not resolve lies under .invalid.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "tests/web/raw_http_server.h"
#include "web/http_request.h"

namespace ld {
namespace {

using test::RawHttpServer;

const char* outcomeName(HttpOutcome outcome) {
    switch (outcome) {
        case HttpOutcome::Answered:
            return "Answered";
        case HttpOutcome::ErrorStatus:
            return "ErrorStatus";
        case HttpOutcome::NotSent:
            return "NotSent";
        case HttpOutcome::NameNotResolved:
            return "NameNotResolved";
        case HttpOutcome::ConnectionRefused:
            return "ConnectionRefused";
        case HttpOutcome::TimedOut:
            return "TimedOut";
        case HttpOutcome::SecureChannelFailed:
            return "SecureChannelFailed";
        case HttpOutcome::TooLarge:
            return "TooLarge";
        case HttpOutcome::RedirectFailed:
            return "RedirectFailed";
        case HttpOutcome::ConnectionFailed:
            return "ConnectionFailed";
    }
    return "?";
}

void expectOutcome(const HttpTextReply& reply, HttpOutcome outcome, int status) {
    EXPECT_STREQ(outcomeName(reply.outcome), outcomeName(outcome));
    EXPECT_EQ(reply.status, status);
}

TEST(HttpOutcome, AnswersCarryTheirStatusAndTheSameBodyAsTheTextForm) {
    struct Case {
        const char* statusLine;
        HttpOutcome outcome;
        int status;
    };
    const std::vector<Case> cases{
        {"HTTP/1.1 200 OK", HttpOutcome::Answered, 200},
        {"HTTP/1.1 204 No Content", HttpOutcome::Answered, 204},
        {"HTTP/1.1 302 Found", HttpOutcome::Answered, 302},  // no Location: nothing to follow
        {"HTTP/1.1 404 Not Found", HttpOutcome::ErrorStatus, 404},
        {"HTTP/1.1 500 Internal Server Error", HttpOutcome::ErrorStatus, 500},
        {"HTTP/1.1 503 Service Unavailable", HttpOutcome::ErrorStatus, 503},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statusLine);
        const std::string body = c.status == 204 ? "" : "页面 " + std::to_string(c.status);
        RawHttpServer server(
            [&](const std::string&) { return RawHttpServer::response(c.statusLine, "", body); });
        const Text url(server.baseUrl() + "/course/getCourseNested/141");
        const HttpTextReply reply = httpRequestTextReply(url);
        expectOutcome(reply, c.outcome, c.status);
        // An error page is handed back like any other body.
        EXPECT_EQ(reply.body, httpRequestText(url));
        EXPECT_EQ(reply.body.empty(), body.empty());
    }
}

TEST(HttpOutcome, AServerThatCannotBeReachedSaysWhy) {
    const int closedPort = test::unusedPort();
    const HttpTextReply refused =
        httpRequestTextReply(Text("http://127.0.0.1:" + std::to_string(closedPort) + "/x"));
    expectOutcome(refused, HttpOutcome::ConnectionRefused, 0);
    EXPECT_TRUE(refused.body.empty());

    const HttpTextReply unknown = httpRequestTextReply(Text("http://no-such-host.invalid/x"));
    expectOutcome(unknown, HttpOutcome::NameNotResolved, 0);
    EXPECT_TRUE(unknown.body.empty());
}

TEST(HttpOutcome, AnAddressThatCannotBeUsedIsNotSent) {
    expectOutcome(httpRequestTextReply(Text("http://a b/x")), HttpOutcome::NotSent, 0);
}

TEST(HttpOutcome, BrokenAnswersAreFailuresNotAnswers) {
    struct Case {
        const char* name;
        RawHttpServer::Responder responder;
        HttpOutcome outcome;
    };
    const std::vector<Case> cases{
        {"connection closed without an answer", [](const std::string&) { return std::string(); },
         HttpOutcome::ConnectionFailed},
        {"body cut short",
         [](const std::string&) {
             return std::string("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort");
         },
         HttpOutcome::ConnectionFailed},
        {"announced body over the limit",
         [](const std::string&) {
             return std::string("HTTP/1.1 200 OK\r\nContent-Length: 900000000\r\n\r\nabc");
         },
         HttpOutcome::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawHttpServer server(c.responder);
        const HttpTextReply reply = httpRequestTextReply(Text(server.baseUrl() + "/x"));
        expectOutcome(reply, c.outcome, 0);
        EXPECT_TRUE(reply.body.empty());
    }
}

TEST(HttpOutcome, AnAnswerThatTricklesEndsAtTheExchangesDeadline) {
    // Ten bytes a second pass the stall limit (one byte a second); a hundred
    // would take ten seconds. The deadline ends the exchange after one.
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n";
    const std::string answer = head + std::string(100, 'x');
    const ExchangeLimits shortDeadline{std::size_t{64} * 1024 * 1024, std::chrono::seconds(1)};
    for (const std::size_t fullSpeed : {std::size_t{0}, head.size()}) {
        SCOPED_TRACE(fullSpeed == 0 ? "the head trickles" : "the body trickles");
        RawHttpServer server([&](const std::string&) { return answer; },
                             test::Trickle{fullSpeed, std::chrono::milliseconds(100)});
        const HttpTextReply reply =
            httpRequestTextReply(Text(server.baseUrl() + "/x"), shortDeadline);
        expectOutcome(reply, HttpOutcome::TimedOut, 0);
        EXPECT_TRUE(reply.body.empty());
    }
}

TEST(HttpOutcome, ABodyOverTheExchangesCapIsRefused) {
    constexpr std::size_t kCap = 1024 * 1024;
    const ExchangeLimits small{kCap, std::chrono::seconds(60)};
    struct Case {
        const char* name;
        std::string answer;
        HttpOutcome outcome;
        int status;
    };
    const std::string fits(kCap, 'a');
    const std::string over(kCap + 1, 'a');
    const std::vector<Case> cases{
        {"exactly the cap", RawHttpServer::response("HTTP/1.1 200 OK", "", fits),
         HttpOutcome::Answered, 200},
        {"announced over it", RawHttpServer::response("HTTP/1.1 200 OK", "", over),
         HttpOutcome::TooLarge, 0},
        {"grown over it, no length announced",
         "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + over, HttpOutcome::TooLarge, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawHttpServer server([&](const std::string&) { return c.answer; });
        const HttpTextReply reply = httpRequestTextReply(Text(server.baseUrl() + "/x"), small);
        expectOutcome(reply, c.outcome, c.status);
        EXPECT_EQ(reply.body.length(), c.outcome == HttpOutcome::Answered ? int(kCap) : 0);
    }
}

TEST(HttpOutcome, ARedirectThatNeverEndsFails) {
    RawHttpServer server([](const std::string&) {
        return RawHttpServer::response("HTTP/1.1 302 Found", "Location: /again\r\n", "");
    });
    const HttpTextReply reply = httpRequestTextReply(Text(server.baseUrl() + "/start"));
    expectOutcome(reply, HttpOutcome::RedirectFailed, 0);
    EXPECT_GT(server.requests().size(), 10U);
}

TEST(HttpOutcome, ASecureAddressAnsweredInPlainTextIsATlsFailure) {
    // The server reads the handshake as a request (it waits a few seconds for
    // a request end that never comes) and answers in plain HTTP.
    RawHttpServer server(
        [](const std::string&) { return RawHttpServer::response("HTTP/1.1 200 OK", "", "plain"); });
    const HttpTextReply reply =
        httpRequestTextReply(Text("https://127.0.0.1:" + std::to_string(server.port()) + "/x"));
    expectOutcome(reply, HttpOutcome::SecureChannelFailed, 0);
}

}  // namespace
}  // namespace ld
