#include "report/DriverSettings.h"
#include "platform/PathRules.h"
#include "platform/Text.h"
#include <algorithm>

namespace pv {

std::u16string DecodeIniBytes(std::string_view bytes, const AnsiDecoder& ansi) {
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
        return FromUtf8(bytes.substr(3));
    }
    if (bytes.size() >= 2 &&
        ((byteAt(0) == 0xFF && byteAt(1) == 0xFE) || (byteAt(0) == 0xFE && byteAt(1) == 0xFF))) {
        const bool little = byteAt(0) == 0xFF;
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned lo = little ? byteAt(i) : byteAt(i + 1);
            const unsigned hi = little ? byteAt(i + 1) : byteAt(i);
            text += static_cast<char16_t>(lo | (hi << 8));
        }
        return text;
    }
    return ansi ? ansi(bytes) : FromAscii(bytes);
}

namespace {

std::u16string_view TrimView(std::u16string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t')) {
        --e;
    }
    return s.substr(b, e - b);
}

} // namespace

std::u16string IniValue(std::u16string_view text, std::u16string_view section,
                        std::u16string_view key) {
    bool inSection = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string_view::npos) {
            end = text.size();
        }
        const std::u16string_view line = TrimView(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == u';') {
            continue;
        }
        if (line[0] == u'[') {
            const size_t close = line.find(u']');
            inSection = close != std::u16string_view::npos &&
                        EqualsIgnoreCaseAscii(TrimView(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const size_t eq = line.find(u'=');
        if (eq != std::u16string_view::npos &&
            EqualsIgnoreCaseAscii(TrimView(line.substr(0, eq)), key)) {
            return std::u16string(TrimView(line.substr(eq + 1)));
        }
    }
    return {};
}

namespace {

// A folder of a local drive or of a network share, with the forward slashes the system itself
// takes as separators turned into backslashes; empty for anything else the user may write into
// the settings file (a relative path, resolved against the elevated tool's current folder, or a
// device path such as "\\.\pipe\", whose entries the listing would open).
std::u16string FolderValue(const std::u16string& value) {
    std::u16string folder = value;
    std::replace(folder.begin(), folder.end(), u'/', u'\\');
    return IsPlainAbsolutePath(folder) ? folder : std::u16string();
}

} // namespace

std::u16string DriverPathFrom(DriverPath which, bool settingsFileExists,
                              const std::u16string& value, const std::u16string& machineFolder) {
    const std::u16string given = FolderValue(value);
    if (!settingsFileExists || (!value.empty() && given.empty())) {
        return {};
    }
    if (value.empty()) {
        switch (which) {
        case DriverPath::BackupIndexIni:
            return machineFolder + u"Vault\\Vault.ini";
        case DriverPath::BackupIndexJson:
            return machineFolder + u"Vault\\Vault.json";
        case DriverPath::DownloadFolder:
            return machineFolder + u"Download\\";
        }
        return {};
    }
    const std::u16string folder = WithTrailingBackslash(given);
    switch (which) {
    case DriverPath::BackupIndexIni:
        return folder + u"Vault.ini";
    case DriverPath::BackupIndexJson:
        return folder + u"Vault.json";
    case DriverPath::DownloadFolder:
        return folder;
    }
    return {};
}

} // namespace pv
