// uidriver [options] EXE [ACTION ARGS...]...
// Parks the pointer in the screen's top-left corner, starts the tool, waits for its window, runs
// the actions in order (default: press) and prints one JSON object with everything it saw. Exit
// code 0 when every step worked, 1 otherwise, 2 for a bad command line.
#include "Actions.h"

#include <cstdio>

using namespace uidriver;

namespace {

void Print(const std::string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Usage(const std::string& why) {
    std::string text = "uidriver: " + why +
                       "\nusage: uidriver [--timeout S] [--hold-job MS] [--signal-dir DIR] "
                       "[--pause-at ready|message]... [--cwd DIR] [--close-mid-job MS] "
                       "[--no-press] EXE [ACTION ARGS...]...\n       uidriver --list\nactions:\n";
    for (const auto& a : AllActions()) {
        text +=
            std::string("  ") + a.name + " (" + std::to_string(a.argc) + " args): " + a.help + "\n";
    }
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return 2;
}

struct Step {
    const Action* action;
    std::vector<std::wstring> args;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options opt;
    std::vector<Step> steps;
    int i = 1;
    auto needValue = [&](const wchar_t* name) -> const wchar_t* {
        if (i + 1 >= argc) {
            return nullptr;
        }
        (void)name;
        return argv[++i];
    };
    for (; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a.rfind(L"--", 0) != 0) {
            break;
        }
        const wchar_t* v = nullptr;
        DWORD n = 0;
        if (a == L"--list") {
            // The actions this build knows, as a JSON array (for tests that need a newer one).
            Json names = Json::Array();
            for (const auto& action : AllActions()) {
                names.Push(Json(action.name));
            }
            Print(names.Dump() + "\n");
            return 0;
        }
        if (a == L"--no-press") {
            steps.push_back({FindAction("wait-signal"), {L"done"}});
            steps.push_back({FindAction("close"), {}});
            continue;
        }
        if (!(v = needValue(a.c_str()))) {
            return Usage("missing value for " + Utf8(a));
        }
        if (a == L"--timeout" && ParseNumber(v, n)) {
            opt.timeoutMs = n * 1000;
        } else if (a == L"--hold-job" && ParseNumber(v, n)) {
            opt.holdJobMs = n;
        } else if (a == L"--close-mid-job" && ParseNumber(v, n)) {
            steps.push_back({FindAction("close-mid-job"), {v}});
        } else if (a == L"--signal-dir") {
            opt.signalDir = v;
        } else if (a == L"--pause-at") {
            opt.pauseAt.push_back(v);
        } else if (a == L"--cwd") {
            opt.cwd = v;
        } else {
            return Usage("bad option " + Utf8(a));
        }
    }
    if (i >= argc) {
        return Usage("no tool given");
    }
    opt.exe = argv[i++];
    while (i < argc) {
        const Action* action = FindAction(Utf8(argv[i]));
        if (!action) {
            return Usage("unknown action " + Utf8(argv[i]));
        }
        ++i;
        Step step{action, {}};
        for (int k = 0; k < action->argc; ++k, ++i) {
            if (i >= argc) {
                return Usage(std::string("too few arguments for ") + action->name);
            }
            step.args.push_back(argv[i]);
        }
        steps.push_back(std::move(step));
    }
    if (steps.empty()) {
        steps.push_back({FindAction("press"), {}});
    }
    if (!steps.back().action->endsTool) {
        steps.push_back({FindAction("close"), {}});
    }

    Session s(opt);
    Json actions = Json::Array();
    for (const auto& step : steps) {
        actions.Push(Json(step.action->name));
    }
    s.out["actions"] = std::move(actions);
    if (s.Start() && s.WaitForMainWindow()) {
        s.Checkpoint(L"ready");
        for (const auto& step : steps) {
            if (!step.action->run(s, step.args)) {
                break;
            }
        }
    }
    bool ended = !s.ProcessAlive() || s.WaitForExit(s.opt.timeoutMs);
    if (ended && !s.out.Has("exit_code")) {
        s.WaitForExit(0);
    }
    s.out["process_ended"] = Json(ended);
    if (!ended && s.pi.hProcess) {
        TerminateProcess(s.pi.hProcess, 255);
        s.out["terminated"] = Json(true);
        s.Fail("the tool did not end; terminated");
    }
    s.out["ok"] = Json(!s.Failed());
    Print(s.out.Dump() + "\n");
    return s.Failed() ? 1 : 0;
}
