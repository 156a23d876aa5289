#include "report/HttpFetch.h"

namespace pv {

namespace {

enum class Outcome { Answer, Redirect, Failed };

Outcome FetchOnce(HttpTransport& transport, const HttpTarget& target, std::string& body,
                  HttpResponseParser& parser) {
    body.clear();
    const auto connection = transport.Connect(target.Host, target.Port);
    if (!connection || !connection->SendAll(BuildHttpGet(target))) {
        return Outcome::Failed;
    }
    std::string chunk;
    while (parser.Current() == HttpResponseParser::State::Head ||
           parser.Current() == HttpResponseParser::State::Body) {
        const auto received = connection->Receive(chunk);
        if (received == HttpConnection::Received::Failed) {
            return Outcome::Failed;
        }
        if (received == HttpConnection::Received::Closed) {
            parser.Close();
            break;
        }
        parser.Feed(chunk, body);
        if (body.size() > kMaxHttpBody) {
            return Outcome::Failed;
        }
    }
    if (parser.Current() != HttpResponseParser::State::Done) {
        return Outcome::Failed;
    }
    const int status = parser.Status();
    if (status >= 300 && status < 400 && parser.Location()) {
        return Outcome::Redirect;
    }
    return HttpStatusSucceeds(status) ? Outcome::Answer : Outcome::Failed;
}

} // namespace

bool HttpFetch(HttpTransport& transport, const HttpTarget& target, std::string& body) {
    HttpTarget current = target;
    for (int redirects = 0;; ++redirects) {
        HttpResponseParser parser;
        const Outcome outcome = FetchOnce(transport, current, body, parser);
        if (outcome != Outcome::Redirect) {
            return outcome == Outcome::Answer;
        }
        const auto next = ResolveRedirect(current, *parser.Location());
        if (redirects == kMaxHttpRedirects || !next) {
            body.clear();
            return false;
        }
        current = *next;
    }
}

} // namespace pv
