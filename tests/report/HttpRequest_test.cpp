#include "report/HttpFetch.h"
#include "report/HttpRequest.h"
#include <deque>
#include <gtest/gtest.h>

using namespace pv;

TEST(BuildHttpGet, RequestLineAndThreeHeadersOnly) {
    EXPECT_EQ(BuildHttpGet({"ip4.whatsmyaddr.net", 80, "/all"}),
              "GET /all HTTP/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "User-Agent: Mozilla/4.0\r\n"
              "Host: ip4.whatsmyaddr.net\r\n"
              "\r\n");
    EXPECT_EQ(BuildHttpGet({"127.0.0.1", 8080, "/x?a=1"}).substr(0, 20), "GET /x?a=1 HTTP/1.0\r");
    EXPECT_NE(BuildHttpGet({"127.0.0.1", 8080, "/"}).find("Host: 127.0.0.1:8080\r\n\r\n"),
              std::string::npos);
}

struct StatusCase {
    int Status;
    bool Succeeds;
};
class StatusRuleTest : public testing::TestWithParam<StatusCase> {};
TEST_P(StatusRuleTest, FourHundredAndUpFailButAuthenticationAnswers) {
    EXPECT_EQ(HttpStatusSucceeds(GetParam().Status), GetParam().Succeeds);
}
INSTANTIATE_TEST_SUITE_P(Codes, StatusRuleTest,
                         testing::Values(StatusCase{200, true}, StatusCase{204, true},
                                         StatusCase{304, true}, StatusCase{399, true},
                                         StatusCase{400, false}, StatusCase{401, true},
                                         StatusCase{403, false}, StatusCase{404, false},
                                         StatusCase{407, true}, StatusCase{500, false}));

struct RedirectCase {
    const char* Location;
    bool Followed;
    const char* Host;
    uint16_t Port;
    const char* Path;
};
class RedirectTest : public testing::TestWithParam<RedirectCase> {};
TEST_P(RedirectTest, ResolvesAgainstTheCurrentTarget) {
    const HttpTarget current{"a.example", 8080, "/dir/page?q=1"};
    const auto next = ResolveRedirect(current, GetParam().Location);
    ASSERT_EQ(next.has_value(), GetParam().Followed);
    if (next) {
        EXPECT_EQ(next->Host, GetParam().Host);
        EXPECT_EQ(next->Port, GetParam().Port);
        EXPECT_EQ(next->Path, GetParam().Path);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Locations, RedirectTest,
    testing::Values(RedirectCase{"http://b.example/x", true, "b.example", 80, "/x"},
                    RedirectCase{"HTTP://b.example:81", true, "b.example", 81, "/"},
                    RedirectCase{"http://b.example?x=1", true, "b.example", 80, "/?x=1"},
                    RedirectCase{"//c.example/y#frag", true, "c.example", 80, "/y"},
                    RedirectCase{"/abs", true, "a.example", 8080, "/abs"},
                    RedirectCase{"rel/two", true, "a.example", 8080, "/dir/rel/two"},
                    RedirectCase{"https://b.example/", false, "", 0, ""},
                    RedirectCase{"ftp://b.example/", false, "", 0, ""},
                    RedirectCase{"http://b.example:0/", false, "", 0, ""},
                    RedirectCase{"http://b.example:99999/", false, "", 0, ""},
                    RedirectCase{"http://bad host/", false, "", 0, ""},
                    RedirectCase{"/a b", false, "", 0, ""}, RedirectCase{"", false, "", 0, ""},
                    RedirectCase{"http:///x", false, "", 0, ""}));

namespace {

// Parses the whole response fed in pieces of `step` bytes, then closes.
HttpResponseParser::State ParseInSteps(const std::string& response, size_t step, std::string& body,
                                       HttpResponseParser& parser, bool close = true) {
    for (size_t i = 0; i < response.size() && parser.Current() != HttpResponseParser::State::Done &&
                       parser.Current() != HttpResponseParser::State::Failed;
         i += step) {
        parser.Feed(std::string_view(response).substr(i, step), body);
    }
    return close ? parser.Close() : parser.Current();
}

} // namespace

class ParserStepTest : public testing::TestWithParam<size_t> {};

TEST_P(ParserStepTest, BodyToCloseContentLengthAndChunked) {
    const size_t step = GetParam();
    {
        HttpResponseParser p;
        std::string body;
        EXPECT_EQ(ParseInSteps("HTTP/1.0 200 OK\r\nServer: x\r\n\r\nip=1.2.3.4\n", step, body, p),
                  HttpResponseParser::State::Done);
        EXPECT_EQ(p.Status(), 200);
        EXPECT_EQ(body, "ip=1.2.3.4\n");
    }
    {
        HttpResponseParser p;
        std::string body;
        EXPECT_EQ(ParseInSteps("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcEXTRA", step, body,
                               p, false),
                  HttpResponseParser::State::Done);
        EXPECT_EQ(body, "abc");
    }
    {
        HttpResponseParser p;
        std::string body;
        EXPECT_EQ(ParseInSteps("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                               "4;ext=1\r\nWiki\r\nA\r\n0123456789\r\n0\r\nX-T: y\r\n\r\n",
                               step, body, p, false),
                  HttpResponseParser::State::Done);
        EXPECT_EQ(body, "Wiki0123456789");
    }
    {
        HttpResponseParser p;
        std::string body;
        EXPECT_EQ(ParseInSteps("HTTP/1.0 302 Found\nLocation: /next\n\n", step, body, p),
                  HttpResponseParser::State::Done);
        EXPECT_EQ(p.Status(), 302);
        ASSERT_TRUE(p.Location().has_value());
        EXPECT_EQ(*p.Location(), "/next");
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, ParserStepTest, testing::Values(1, 2, 7, 4096));

TEST(HttpResponseParser, BrokenResponsesFail) {
    for (const std::string& response :
         {std::string(""), std::string("HTTP/1.0 200 OK\r\nServer"), std::string("garbage\r\n\r\n"),
          std::string("HTTP/1.0 2x0 OK\r\n\r\n"),
          std::string("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"),
          std::string("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"),
          std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"),
          std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n")}) {
        HttpResponseParser p;
        std::string body;
        EXPECT_EQ(ParseInSteps(response, 3, body, p), HttpResponseParser::State::Failed)
            << response;
    }
}

TEST(HttpResponseParser, OversizeHeadFails) {
    HttpResponseParser p;
    std::string body;
    p.Feed("HTTP/1.0 200 OK\r\n", body);
    const std::string header = "X-Pad: " + std::string(1000, 'p') + "\r\n";
    for (int i = 0; i < 100 && p.Current() == HttpResponseParser::State::Head; ++i) {
        p.Feed(header, body);
    }
    EXPECT_EQ(p.Current(), HttpResponseParser::State::Failed);
}

namespace {

// A scripted server: each connection answers with the next scripted response (or fails).
struct ScriptedTransport : HttpTransport {
    struct Answer {
        std::string Bytes;
        bool Stall = false; // inactivity limit reached after the bytes
    };
    std::deque<Answer> answers;
    std::vector<std::string> requests;
    std::vector<std::pair<std::string, uint16_t>> connects;

    struct Conn : HttpConnection {
        ScriptedTransport& owner;
        Answer answer;
        bool sent = false;
        Conn(ScriptedTransport& o, Answer a) : owner(o), answer(std::move(a)) {}
        bool SendAll(std::string_view bytes) override {
            owner.requests.emplace_back(bytes);
            return true;
        }
        Received Receive(std::string& chunk) override {
            if (!sent) {
                sent = true;
                chunk = answer.Bytes;
                if (!chunk.empty()) {
                    return Received::Data;
                }
            }
            return answer.Stall ? Received::Failed : Received::Closed;
        }
    };

    std::unique_ptr<HttpConnection> Connect(const std::string& host, uint16_t port) override {
        connects.emplace_back(host, port);
        if (answers.empty()) {
            return nullptr;
        }
        auto a = answers.front();
        answers.pop_front();
        return std::make_unique<Conn>(*this, a);
    }
};

std::string Redirect(const std::string& to) {
    return "HTTP/1.0 302 Found\r\nLocation: " + to + "\r\n\r\nmoved";
}

} // namespace

TEST(HttpFetch, FollowsUpToFiveRedirectionsWithFreshRequests) {
    ScriptedTransport t;
    for (int i = 1; i <= 5; ++i) {
        t.answers.push_back(
            {Redirect("http://h" + std::to_string(i) + ".example:81/p" + std::to_string(i))});
    }
    t.answers.push_back({"HTTP/1.0 200 OK\r\n\r\nanswer"});
    std::string body;
    EXPECT_TRUE(HttpFetch(t, {"start.example", 80, "/all"}, body));
    EXPECT_EQ(body, "answer");
    ASSERT_EQ(t.requests.size(), 6u);
    EXPECT_EQ(t.requests[5], BuildHttpGet({"h5.example", 81, "/p5"}));
    EXPECT_EQ(t.connects[5], (std::pair<std::string, uint16_t>{"h5.example", 81}));
}

TEST(HttpFetch, ASixthRedirectionFails) {
    ScriptedTransport t;
    for (int i = 0; i < 6; ++i) {
        t.answers.push_back({Redirect("/again")});
    }
    t.answers.push_back({"HTTP/1.0 200 OK\r\n\r\nnever"});
    std::string body;
    EXPECT_FALSE(HttpFetch(t, {"s", 80, "/all"}, body));
    EXPECT_EQ(t.requests.size(), 6u);
    EXPECT_EQ(body, "");
}

TEST(HttpFetch, StatusDecidesAndTheBodyIsKeptEitherWay) {
    ScriptedTransport t;
    t.answers.push_back({"HTTP/1.0 404 Not Found\r\n\r\nmissing"});
    std::string body;
    EXPECT_FALSE(HttpFetch(t, {"s", 80, "/all"}, body));
    EXPECT_EQ(body, "missing");
    t.answers.push_back({"HTTP/1.0 401 Unauthorized\r\n\r\nwho"});
    EXPECT_TRUE(HttpFetch(t, {"s", 80, "/all"}, body));
    EXPECT_EQ(body, "who");
}

TEST(HttpFetch, NoServerOrASilentOneFails) {
    ScriptedTransport t;
    std::string body;
    EXPECT_FALSE(HttpFetch(t, {"s", 80, "/all"}, body)); // cannot connect
    t.answers.push_back({"", true});
    EXPECT_FALSE(HttpFetch(t, {"s", 80, "/all"}, body)); // nothing within the limit
    t.answers.push_back({"HTTP/1.0 200 OK\r\n\r\npart", true});
    EXPECT_FALSE(HttpFetch(t, {"s", 80, "/all"}, body)); // stalls mid-body
    EXPECT_EQ(body, "part");
    t.answers.push_back({Redirect("https://secure.example/")});
    EXPECT_FALSE(HttpFetch(t, {"s", 80, "/all"}, body)); // cannot follow
}
