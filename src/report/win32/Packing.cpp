#include "report/win32/Packing.h"
#include "platform/Text.h"
#include "platform/win32/Bcrypt.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "report/MemberName.h"
#include "report/win32/PrivateFolder.h"
#include "report/win32/SourceCopy.h"
#include "zip/ZipLib.h"
#include <memory>
#include <sddl.h>
#include <vector>

namespace pv {
namespace {

// Closes the archive on every path out of the packing loop.
struct TZipCloser {
    void operator()(TZip* zip) const noexcept { ZipClose(zip); }
};
using UniqueZip = std::unique_ptr<TZip, TZipCloser>;

// The archive is created elevated inside the private folder, whose inherited DACL would lock the
// user out of it once it sits on the desktop; it carries its own DACL instead, with the user's
// account added to SYSTEM and Administrators, from its creation until it is placed (a move on the
// same volume, a copy to a file created with the same DACL across volumes).
std::u16string ArchiveDacl() {
    std::u16string sddl = u"D:(A;;FA;;;SY)(A;;FA;;;BA)";
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        return sddl;
    }
    UniqueHandle token(rawToken);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    UniqueLocalMemory<wchar_t> sidText;
    if (size != 0 && ::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid,
                                 sidText.put())) {
        sddl += u"(A;;FA;;;" + U16(sidText.get()) + u")";
    }
    return sddl;
}

// Creates a new, empty file at `path` (never opening an existing name or link) with the archive's
// DACL; the handle is open for writing and deletion.
UniqueFile CreateFreshFile(const std::u16string& path) {
    UniqueLocalMemory<void> descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(W(ArchiveDacl()), SDDL_REVISION_1,
                                                                descriptor.put(), nullptr)) {
        return UniqueFile();
    }
    SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
    return UniqueFile(::CreateFileW(W(path), GENERIC_READ | GENERIC_WRITE | DELETE, 0, &security,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::u16string RandomHex() {
    std::uint64_t value = 0;
    SystemRandom(&value, sizeof(value));
    return HexDigits(value, 16);
}

// Another volume: the finished archive is first copied to a fresh name beside the final one, so
// the replacing step is again a rename that swaps a planted link instead of writing through it.
bool PlaceAcrossVolumes(const std::u16string& staged, const std::u16string& finalPath) {
    const std::u16string sibling =
        FolderPart(finalPath) + u"~" + FileNamePart(finalPath) + u"." + RandomHex() + u".tmp";
    UniqueFile to = CreateFreshFile(sibling);
    if (!to) {
        return false;
    }
    UniqueFile from(::CreateFileW(W(staged), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from || !CopyHandleData(from.get(), to.get())) {
        MarkForDeletion(to.get());
        return false;
    }
    to.reset();
    if (::MoveFileExW(W(sibling), W(finalPath), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    DeleteOwnFile(sibling);
    return false;
}

// Moves the finished archive onto its final name, replacing whatever is there (a link included)
// rather than writing through it.
bool PlaceArchive(const std::u16string& staged, const std::u16string& finalPath) {
    if (::MoveFileExW(W(staged), W(finalPath), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    return ::GetLastError() == ERROR_NOT_SAME_DEVICE && PlaceAcrossVolumes(staged, finalPath);
}

bool PackInto(const TCollection& job, const TPrivateFolder& folder, TPlacementGate& gate) {
    const std::u16string staged = folder.Path() + FileNamePart(job.ArchivePath);
    // Created with the archive's DACL by the writer itself: a file made first and then replaced
    // by the writer would take the private folder's DACL instead.
    UniqueZip zip(ZipCreate(staged, ArchiveDacl()));
    if (!zip) {
        return false;
    }
    const size_t count = job.SourceFiles.size();
    for (size_t i = 0; i < count && !gate.Abandoned(); ++i) {
        const std::u16string& source = job.SourceFiles[i];
        const std::u16string copy = folder.Path() + FileNamePart(source);
        if (CopyCollectedSource(source, copy)) {
            ZipAddFile(zip.get(), EscapeMemberName(job.MemberNames[i]), copy);
            DeleteOwnFile(copy);
        }
    }
    if (ZipClose(zip.release()) != ZR_OK) {
        return false;
    }
    return gate.PlaceUnlessAbandoned([&] { return PlaceArchive(staged, job.ArchivePath); });
}

} // namespace

bool PackArchive(const TCollection& job, TPlacementGate& gate) noexcept {
    try {
        const std::u16string temp = TemporaryFolder();
        RemoveLeftoverFolders(temp);
        if (job.SourceFiles.empty() || job.ArchivePath.empty() ||
            job.SourceFiles.size() != job.MemberNames.size()) {
            return false;
        }
        std::optional<TPrivateFolder> folder = TPrivateFolder::Create(temp);
        return folder && PackInto(job, *folder, gate);
    } catch (...) {
        return false;
    }
}

} // namespace pv
