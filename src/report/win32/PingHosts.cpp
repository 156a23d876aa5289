#include "report/win32/PingHosts.h"
#include "platform/ReportText.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "product/AppConfig.h"
#include "report/NetworkEndpoints.h"
#include "report/PingCapture.h"
#include "report/RegistryViews.h"
#include "platform/win32/AnsiText.h"
#include "report/win32/LogFolderFile.h"
#include "report/win32/ReportWriters.h"
#include "sysinfo/AppFuncs.h"

namespace pv {

std::u16string CapturePing(const std::u16string& host) {
    const std::u16string systemFolder = GetSystemFolder();
    if (!IsPlainHostName(host) || systemFolder.empty()) {
        return {};
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) {
        return {};
    }
    // Only the write end goes to the child.
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd.get();
    // The interpreter by its full path, never one found in the current or the program's folder.
    // Started, not read, so never through the 32-bit file view: each build starts the interpreter
    // of its own architecture, which prints the same ping text.
    const std::u16string application = systemFolder + u"cmd.exe";
    std::u16string commandLine = PingCommandLine(host);
    PROCESS_INFORMATION process{};
    // The interpreter looks for "ping" in its current folder first: the system folder, not ours,
    // which the user may write.
    if (!::CreateProcessW(W(application), W(commandLine.data()), nullptr, nullptr, TRUE, 0, nullptr,
                          W(systemFolder), &startup, &process)) {
        return {};
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    // Without our copy of the write end, the pipe breaks once the child's copies are gone.
    writeEnd.reset();

    PingCaptureRule rule(host);
    char buffer[1024];
    const ULONGLONG started = ::GetTickCount64();
    for (;;) {
        if (::GetTickCount64() - started >= kPingCaptureLimitMs) {
            ::TerminateProcess(processHandle.get(), 0);
            break;
        }
        DWORD waiting = 0;
        if (!::PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &waiting, nullptr)) {
            break;
        }
        if (waiting > 0) {
            DWORD got = 0;
            if (!::ReadFile(readEnd.get(), buffer, 512, &got, nullptr)) {
                break;
            }
            if (rule.AddChunk(AnsiToText(std::string_view(buffer, got)))) {
                ::TerminateProcess(processHandle.get(), 0);
                break;
            }
        } else if (rule.StopWhenIdle()) {
            ::TerminateProcess(processHandle.get(), 0);
            break;
        }
        ::Sleep(10);
    }
    ::OutputDebugStringW(W(u"Res=" + rule.Text()));
    return rule.Text();
}

void WritePingHosts(TFeedback&) {
    const std::u16string host = PingHostFrom(RegReadString(HKEY_LOCAL_MACHINE, kEndpointOverrideKey,
                                                           kPingHostValue, kEndpointOverrideView));
    ReportText report;
    report.Add(CapturePing(host));
    const std::u16string target = LogFolderFile(u"PingHosts.txt");
    if (!target.empty()) {
        WriteReportFile(target, report.Bytes());
    }
}

} // namespace pv
