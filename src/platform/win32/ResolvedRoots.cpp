#include "platform/win32/ResolvedRoots.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OpenFlags.h"
#include <mutex>
#include <shlobj.h>
#include <vector>

namespace pv {

namespace {

constexpr int kShellRoots[] = {
    CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA,         CSIDL_DESKTOPDIRECTORY,
    CSIDL_PROFILE, CSIDL_WINDOWS,       CSIDL_COMMON_DESKTOPDIRECTORY};

struct RootState {
    std::mutex Lock;
    TrustedRoots Roots;
    std::vector<std::u16string> Unresolved; // standard roots still to resolve
    bool Listed = false;
};

// Never destroyed, so a check during process exit still finds it.
RootState& State() {
    static auto* state = new RootState();
    return *state;
}

// Records `folder` under its spelling and long form; false when it does not resolve.
bool AddResolved(TrustedRoots& roots, const std::u16string& folder) {
    if (folder.empty()) {
        return false;
    }
    const std::u16string resolved = ResolveFolder(folder);
    if (resolved.empty()) {
        return false;
    }
    roots.Add(folder, resolved);
    roots.Add(LongForm(folder), resolved);
    return true;
}

std::vector<std::u16string> StandardRootFolders() {
    std::vector<std::u16string> folders;
    for (const int csidl : kShellRoots) {
        wchar_t buf[MAX_PATH] = {};
        if (SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) {
            folders.push_back(U16(buf));
        }
    }
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length != 0 && length <= MAX_PATH) {
        folders.push_back(U16(temp, length));
    }
    return folders;
}

// Resolves the standard roots not resolved yet. Called with the lock held.
void ResolveStandardRoots(RootState& state) {
    if (!state.Listed) {
        state.Unresolved = StandardRootFolders();
        state.Listed = true;
    }
    std::vector<std::u16string> still;
    for (const std::u16string& folder : state.Unresolved) {
        if (!AddResolved(state.Roots, folder)) {
            still.push_back(folder);
        }
    }
    state.Unresolved = std::move(still);
}

} // namespace

std::u16string ResolveFolder(const std::u16string& folder) {
    UniqueFile dir(::CreateFileW(
        W(folder), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | kNoImpersonation, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!dir || !::GetFileInformationByHandle(dir.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return {};
    }
    return FinalPathOf(dir.get());
}

std::u16string LongForm(const std::u16string& path) {
    const DWORD needed = ::GetLongPathNameW(W(path), nullptr, 0);
    if (needed == 0) {
        return path;
    }
    std::vector<wchar_t> buffer(needed + 1);
    const DWORD length =
        ::GetLongPathNameW(W(path), buffer.data(), static_cast<DWORD>(buffer.size()));
    return length == 0 || length >= buffer.size() ? path : U16(buffer.data(), length);
}

bool TrustFolder(const std::u16string& folder) {
    RootState& state = State();
    const std::lock_guard<std::mutex> guard(state.Lock);
    ResolveStandardRoots(state);
    return AddResolved(state.Roots, folder);
}

bool ResolvesAsRequested(HANDLE handle, const std::u16string& requested) {
    const std::u16string finalPath = FinalPathOf(handle);
    if (finalPath.empty()) {
        return false;
    }
    RootState& state = State();
    const std::lock_guard<std::mutex> guard(state.Lock);
    ResolveStandardRoots(state);
    if (state.Roots.Accepts(requested, finalPath)) {
        return true;
    }
    const std::u16string longForm = LongForm(requested);
    return longForm != requested && state.Roots.Accepts(longForm, finalPath);
}

TrustedRoots ProcessTrustedRoots() {
    RootState& state = State();
    const std::lock_guard<std::mutex> guard(state.Lock);
    ResolveStandardRoots(state);
    return state.Roots;
}

} // namespace pv
