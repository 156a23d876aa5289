#pragma once
// A small machine's facts for the renderers' tests, with archive text that tries to break out of
// every output: mark-up, quotes, control characters and invalid UTF-8.
#include "triage/model/Model.h"

#include <cctype>
#include <string>
#include <string_view>

namespace pv::triage::test {

inline constexpr const char* HostileName = "<script>alert(\"x\")</script>\x1B[31m\xFF";

inline LocalTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    return LocalTime{year, month, day, hour, minute, 0};
}

inline Triage SampleFacts() {
    Triage facts;
    facts.Members = 108;
    facts.System.Present = true;
    facts.System.Computer = "DESK-01";
    facts.System.Os = "Windows 10 x64";
    facts.System.LogTime = At(2024, 1, 31, 10, 0);
    facts.System.BsodTime = At(2024, 1, 23, 10, 11);

    Device broken;
    broken.Name = HostileName;
    broken.Instance = "PCI\\VEN_8086&DEV_1234\\3&11583659&0&C8";
    broken.Code = 28;
    broken.Problem = 28;
    broken.Where = {"DeviceList.txt", 40};
    Device recent;
    recent.Name = "Realtek Audio";
    recent.Instance = "HDAUDIO\\FUNC_01&VEN_10EC";
    recent.Rollback = true;
    recent.Installed = At(2024, 1, 22, 9, 30);
    recent.Version = "6.0.9";
    recent.Where = {"DeviceList.txt", 1};
    Device fine;
    fine.Name = "Fine Device";
    fine.Installed = At(2023, 5, 1);
    facts.Devices = {broken, recent, fine};

    CrashLink crash;
    crash.Time = At(2024, 1, 23, 10, 11);
    crash.Source = "BSOD Time";
    crash.Where = {"SystemInfo.txt", 15};
    crash.InstallsBefore = {1};
    facts.Crashes = {crash};

    InstallSection failed;
    failed.Title = "Device Install (Hardware initiated)";
    failed.Device = "USB\\VID_0BDA&PID_8153";
    failed.Start = At(2024, 1, 25, 14, 0);
    failed.Status = "FAILURE(0xe0000219)";
    failed.Failed = true;
    failed.Where = {"AppData/Logs/Install/setupapi.dev.log", 120};
    InstallSection ok = failed;
    ok.Failed = false;
    ok.Status = "SUCCESS";
    facts.Installs = {ok, failed};

    facts.Hosts = {{"www.orvix.com", "10.0.0.9", {"Hosts", 22}}};
    facts.MakerHostResolves = false;
    facts.ProductLogDays = {At(2024, 1, 29), At(2024, 1, 30), At(2024, 1, 31)};
    facts.Damaged = {"AppData/Logs/Main/20240130.log"};

    facts.Findings = {
        {Severity::Info, "crash.recorded", "A crash was recorded.", {{"SystemInfo.txt", 15}}},
        {Severity::Error,
         "device.problem",
         std::string("Device \"") + HostileName + "\" has code 28.",
         {{"DeviceList.txt", 40}}},
        {Severity::Warning,
         "hosts.maker_redirect",
         "Hosts sends www.orvix.com elsewhere.",
         {{"Hosts", 22}}},
        {Severity::Error,
         "crash.recent_driver_rollback",
         "Realtek Audio was installed a day "
         "before the crash.",
         {{"DeviceList.txt", 1}, {"SystemInfo.txt", 15}}},
    };
    return facts;
}

// True when `text` is one well-formed JSON value (RFC 8259 syntax; strings must be valid
// UTF-8 without raw control characters).
class JsonChecker {
public:
    explicit JsonChecker(std::string_view text) : Text(text) {}
    bool Valid() {
        Space();
        if (!Value())
            return false;
        Space();
        return Pos == Text.size();
    }

private:
    bool Value() {
        if (Pos >= Text.size())
            return false;
        switch (Text[Pos]) {
        case '{':
            return Container('}', true);
        case '[':
            return Container(']', false);
        case '"':
            return String();
        case 't':
            return Word("true");
        case 'f':
            return Word("false");
        case 'n':
            return Word("null");
        default:
            return Number();
        }
    }
    bool Container(char close, bool object) {
        ++Pos;
        Space();
        if (Pos < Text.size() && Text[Pos] == close)
            return ++Pos, true;
        for (;;) {
            Space();
            if (object) {
                if (!String())
                    return false;
                Space();
                if (Pos >= Text.size() || Text[Pos++] != ':')
                    return false;
                Space();
            }
            if (!Value())
                return false;
            Space();
            if (Pos >= Text.size())
                return false;
            const char c = Text[Pos++];
            if (c == close)
                return true;
            if (c != ',')
                return false;
        }
    }
    bool String() {
        if (Pos >= Text.size() || Text[Pos] != '"')
            return false;
        for (++Pos; Pos < Text.size(); ++Pos) {
            const unsigned char c = static_cast<unsigned char>(Text[Pos]);
            if (c == '"')
                return ++Pos, true;
            if (c < 0x20)
                return false;
            if (c == '\\') {
                const char e = Pos + 1 < Text.size() ? Text[++Pos] : '\0';
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i)
                        if (++Pos >= Text.size() ||
                            !std::isxdigit(static_cast<unsigned char>(Text[Pos])))
                            return false;
                } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
                    return false;
                }
            }
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (Text.substr(Pos, word.size()) != word)
            return false;
        Pos += word.size();
        return true;
    }
    bool Number() {
        const size_t start = Pos;
        if (Pos < Text.size() && Text[Pos] == '-')
            ++Pos;
        while (Pos < Text.size() && std::isdigit(static_cast<unsigned char>(Text[Pos])))
            ++Pos;
        return Pos > start && std::isdigit(static_cast<unsigned char>(Text[Pos - 1]));
    }
    void Space() {
        while (Pos < Text.size() &&
               std::string_view(" \t\r\n").find(Text[Pos]) != std::string_view::npos)
            ++Pos;
    }
    std::string_view Text;
    size_t Pos = 0;
};

} // namespace pv::triage::test
