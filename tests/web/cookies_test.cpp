// Reading a response's header block and merging cookies.
#include <gtest/gtest.h>

#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/http_request.h"

namespace ld {
namespace {

TEST(Cookies, MergePutsTheServersCookiesFirst) {
    struct Case {
        const char* cookies;
        const char* returned;
        const char* merged;
        const char* returnedAfter;
    };
    const Case cases[] = {
        {"b=0; c=3", "a=1; b=2", "a=1; b=2; c=3", "a=1;b=2"},
        {"s=1", "s=deleted", "", "s=deleted"},
        {"", "", "", ""},
        {" x = 1 ;y=2", "", "x=1; y=2", ""},
        // Of several caller cookies with one name only the first is kept;
        // the server's own duplicates all stay.
        {"d=1;d=2", "e=1;e=2", "e=1; e=2; d=1", "e=1;e=2"},
        {"flag", "", "flag", ""},
    };
    for (const Case& c : cases) {
        Text cookies(c.cookies);
        Text returned(c.returned);
        const Text copy = mergeCookies(cookies, returned);
        EXPECT_EQ(cookies, Text(c.merged)) << c.cookies << " | " << c.returned;
        EXPECT_EQ(copy, cookies);
        EXPECT_EQ(returned, Text(c.returnedAfter));
    }
    Text fullWidth = gbk("a\u3000=1");
    Text none;
    mergeCookies(fullWidth, none);
    EXPECT_EQ(fullWidth, Text("a=1"));
}

TEST(Cookies, NamesCompareExactly) {
    EXPECT_EQ(cookieName(Text(" sid = 9")), Text("sid"));
    EXPECT_EQ(cookieName(Text("bare")), Text("bare"));
    const TextArray pairs{Text("A=1"), Text("b=2")};
    EXPECT_TRUE(hasCookieNamed(pairs, Text("b")));
    EXPECT_FALSE(hasCookieNamed(pairs, Text("a")));
}

TEST(Cookies, ResponseHeadersFillTheOutValues) {
    const Text headers(
        "HTTP/1.1 302 Found\r\n"
        "Location: http://first/\r\n"
        "Set-Cookie: a=1; path=/\r\n"
        "Content-Location: /second\r\n"
        "Set-Cookie: plain=2\r\n"
        "Set-Cookie: ;odd\r\n");
    Text cookies("c=3");
    Text returned("stale");
    Text target;
    applyResponseHeaders(headers, cookies, returned, target);
    // Any line containing "Location:" counts; the last one wins.
    EXPECT_EQ(target, Text("/second"));
    // A cookie without attributes is kept; an empty pair leaves no trace.
    EXPECT_EQ(returned, Text("a=1;plain=2;"));
    EXPECT_EQ(cookies, Text("a=1; plain=2; c=3"));

    Text kept("given");
    Text none;
    Text noCookies;
    applyResponseHeaders(Text("HTTP/1.1 200 OK\r\n"), noCookies, none, kept);
    EXPECT_EQ(kept, Text("given"));
}

}  // namespace
}  // namespace ld
