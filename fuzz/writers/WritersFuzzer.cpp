// First byte: which parser, and the piece size the response arrives in. The rest is the input.
#include "report/DriverSettings.h"
#include "report/HttpRequest.h"
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t mode = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((mode & 1) == 0) {
        pv::HttpResponseParser parser;
        std::string body;
        const size_t step = static_cast<size_t>(mode >> 1) + 1;
        for (size_t i = 0; i < input.size(); i += step) {
            const auto state = parser.Feed(input.substr(i, step), body);
            if (state == pv::HttpResponseParser::State::Done ||
                state == pv::HttpResponseParser::State::Failed) {
                break;
            }
        }
        parser.Close();
        if (body.size() > input.size()) {
            __builtin_trap(); // the body is never more than what arrived
        }
        if (parser.Location()) {
            const auto next = pv::ResolveRedirect({"a.example", 80, "/all"}, *parser.Location());
            if (next && (next->Path.empty() || next->Path[0] != '/' ||
                         next->Path.find_first_of("\r\n ") != std::string::npos ||
                         next->Host.find_first_of("\r\n :/") != std::string::npos)) {
                __builtin_trap(); // nothing but a clean target may reach a request line
            }
        }
    } else {
        const std::u16string text = pv::DecodeIniBytes(input, nullptr);
        (void)pv::IniValue(text, u"Drivers", u"BackPath");
    }
    return 0;
}
