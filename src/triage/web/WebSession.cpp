#include "triage/web/WebSession.h"

#include "triage/model/MemberCaps.h"
#include "triage/model/ArchiveProblems.h"
#include "triage/analyse/Diff.h"
#include "triage/model/TextEscape.h"
#include "triage/render/RenderHtml.h"
#include "triage/render/RenderJson.h"
#include "triage/render/RenderText.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pv::triage::web {
namespace {

// Sizes arrive as doubles from the script; anything not a finite count is taken as too large.
uint64_t DeclaredSize(double size) {
    if (!(size >= 0) || size >= 18446744073709551615.0)
        return UINT64_MAX;
    return static_cast<uint64_t>(size);
}

} // namespace

Session::Session(std::string archiveName, int windowDays)
    : Name(std::move(archiveName)), WindowDays(windowDays) {}

char* Session::Buffer(size_t length) {
    Scratch.resize(length);
    return Scratch.data();
}

void Session::Fail(std::string sentence) {
    if (!Error)
        Error = std::move(sentence);
}

int Session::AddMember(size_t nameLength, double size, std::optional<double> modified,
                       bool encrypted, int method, bool methodSupported) {
    if (Error)
        return -1;
    Member member;
    member.Name = ValidUtf8(std::string_view(Scratch).substr(0, nameLength));
    member.Size = DeclaredSize(size);
    if (modified && std::isfinite(*modified))
        member.Modified = static_cast<int64_t>(std::floor(*modified));
    if (encrypted) {
        Fail(ArchiveProblemText(ArchiveProblem::Encrypted, Name, member.Name));
        return -1;
    }
    if (!methodSupported) {
        Fail(ArchiveProblemText(ArchiveProblem::Method, Name, member.Name, method));
        return -1;
    }
    const bool wanted = IsParsedMember(member.Name);
    if (wanted)
        Wanted.push_back(Members.size());
    Members.push_back(std::move(member));
    return wanted ? 1 : 0;
}

void Session::DirectoryFailed(int kind) {
    const int clamped = std::clamp(kind, static_cast<int>(ArchiveProblem::Empty),
                                   static_cast<int>(ArchiveProblem::TooLarge));
    Fail(ArchiveProblemText(static_cast<ArchiveProblem>(clamped), Name));
}

int Session::NextRead() {
    const LoadLimits limits;
    Current.reset();
    while (!Error && NextWanted < Wanted.size()) {
        const size_t index = Wanted[NextWanted++];
        const uint64_t room = Total < limits.TotalCap ? limits.TotalCap - Total : 0;
        Member& member = Members[index];
        if (*member.Size > std::min(limits.MemberCap, room)) {
            member.OverCap = true;
            continue;
        }
        Current = index;
        return static_cast<int>(index);
    }
    return -1;
}

void Session::ReadDone(size_t length, bool damaged) {
    if (!Current)
        return;
    Member& member = Members[*Current];
    // Never more than the declared size plus the one byte that shows a member holds more.
    member.Bytes.assign(Scratch.data(), std::min<size_t>({length, Scratch.size(),
                                                          static_cast<size_t>(*member.Size) + 1}));
    member.Damaged = damaged;
    Total += member.Bytes.size();
    Current.reset();
    Scratch = std::string();
}

bool Session::Analyse() {
    if (Error)
        return false;
    Options core;
    core.WindowDays = WindowDays;
    Facts = ReadArchiveFacts(Members, core);
    Members = std::vector<Member>();
    Context.ArchiveName = Name;
    Context.WindowDays = WindowDays;
    Analysed = true;
    return true;
}

const std::string& Session::Output(OutputKind kind) {
    Out.clear();
    if (kind == OutputKind::Error || !Analysed)
        Out = Error ? PrintableText(*Error) : std::string();
    else if (kind == OutputKind::Html)
        Out = RenderHtml(Facts, Context);
    else if (kind == OutputKind::Json)
        Out = RenderJson(Facts, Context);
    else
        Out = RenderText(Facts, Context);
    return Out;
}

const std::string& Session::DiffFrom(const Session& older, OutputKind kind) {
    Out.clear();
    if (!Analysed || !older.Analysed)
        return Out;
    const ArchiveDiff diff = Diff(older.Facts, Facts);
    Out = kind == OutputKind::Json
              ? RenderDiffJson(diff, older.Facts, older.Context, Facts, Context)
              : RenderDiffText(diff, older.Context, Context);
    return Out;
}

} // namespace pv::triage::web
