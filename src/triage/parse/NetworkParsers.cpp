// PingHosts.txt (the ping command's first output) and the Windows hosts file.
#include "triage/model/Limits.h"
#include "triage/parse/Parsers.h"
#include "triage/parse/ReportText.h"
#include "triage/model/TextTools.h"

namespace pv::triage {

namespace {

constexpr size_t kMaxPingText = 1024;

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

// A word of the ping output that names a host: quotes and a closing full stop removed, at least
// one dot inside, only host-name characters ("could not find host www.orvix.com.").
std::string HostWord(std::string_view word) {
    while (!word.empty() && !IsHostChar(word.front())) {
        word.remove_prefix(1);
    }
    while (!word.empty() && (!IsHostChar(word.back()) || word.back() == '.')) {
        word.remove_suffix(1);
    }
    if (word.empty() || word.find('.') == std::string_view::npos) {
        return {};
    }
    for (const char c : word) {
        if (!IsHostChar(c)) {
            return {};
        }
    }
    bool letter = false;
    for (const char c : word) {
        letter = letter || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    return letter ? std::string(word) : std::string();
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

} // namespace

PingFacts ParsePingHosts(std::string_view bytes, const std::string& member,
                         std::vector<ReadNote>& notes) {
    PingFacts ping;
    ping.Present = true;
    ping.Where = {member, 0};
    const DecodedText text = DecodeMember(bytes, member, true, notes);
    for (size_t i = 0; i < text.LineCount() && ping.Text.size() < kMaxPingText; ++i) {
        const std::string_view line = TrimText(text.Line(i));
        if (line.empty()) {
            continue;
        }
        if (ping.Where.Line == 0) {
            ping.Where.Line = static_cast<int>(i) + 1;
        }
        if (!ping.Text.empty()) {
            ping.Text += ' ';
        }
        ping.Text += std::string(line.substr(0, kMaxPingText - ping.Text.size()));
    }

    // "Pinging www.orvix.com [203.0.113.7] with 32 bytes of data:"
    const size_t open = ping.Text.find('[');
    const size_t close = open == std::string::npos ? open : ping.Text.find(']', open);
    if (close != std::string::npos) {
        const std::string_view address =
            TrimText(std::string_view(ping.Text).substr(open + 1, close - open - 1));
        if (!address.empty() && address.find(' ') == std::string_view::npos) {
            ping.Address = std::string(address);
        }
        const std::vector<std::string_view> before =
            Words(std::string_view(ping.Text).substr(0, open));
        if (!before.empty()) {
            ping.Host = std::string(TrimText(before.back()));
        }
    }
    if (ping.Host.empty()) {
        for (const std::string_view word : Words(ping.Text)) {
            if (std::string host = HostWord(word); !host.empty()) {
                ping.Host = std::move(host);
                break;
            }
        }
    }
    return ping;
}

std::vector<HostsEntry> ParseHostsFile(std::string_view bytes, const std::string& member,
                                       const std::vector<std::string>& makerHosts,
                                       std::vector<ReadNote>& notes) {
    std::vector<HostsEntry> entries;
    const DecodedText text = DecodeMember(bytes, member, false, notes);
    bool cut = false;
    for (size_t i = 0; i < text.LineCount(); ++i) {
        std::string_view line = text.Line(i);
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> words = Words(TrimText(line));
        for (size_t w = 1; w < words.size(); ++w) {
            const int lineNo = static_cast<int>(i) + 1;
            if (entries.size() >= kMaxHostsEntries && !IsMakerHost(words[w], makerHosts)) {
                if (!cut) {
                    NoteLimit(notes, member, lineNo, "entries (the maker's are all kept)",
                              kMaxHostsEntries);
                    cut = true;
                }
                continue;
            }
            entries.push_back({std::string(words[w]), std::string(words[0]), {member, lineNo}});
        }
    }
    return entries;
}

bool IsMakerHost(std::string_view host, const std::vector<std::string>& makerHosts) {
    host = TrimText(host);
    while (!host.empty() && host.back() == '.') {
        host.remove_suffix(1);
    }
    for (const std::string& maker : makerHosts) {
        if (maker.empty()) {
            continue;
        }
        if (EqualsNoCase(host, maker) ||
            (host.size() > maker.size() && host[host.size() - maker.size() - 1] == '.' &&
             EndsWithNoCase(host, maker))) {
            return true;
        }
    }
    return false;
}

} // namespace pv::triage
