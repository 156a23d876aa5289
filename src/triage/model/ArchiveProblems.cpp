#include "triage/model/ArchiveProblems.h"

#include "triage/model/TextEscape.h"

namespace pv::triage {
namespace {

std::string Quoted(std::string_view text) {
    return "\"" + PrintableText(text) + "\"";
}

} // namespace

std::string ArchiveProblemText(ArchiveProblem problem, std::string_view archive,
                               std::string_view member, int method) {
    const std::string name = Quoted(archive);
    switch (problem) {
    case ArchiveProblem::Empty:
        return name + " is empty, not a ZIP archive.";
    case ArchiveProblem::NotZip:
        return name + " is not a ZIP archive.";
    case ArchiveProblem::Truncated:
        return name + " is truncated: it holds ZIP member data but no end of central directory.";
    case ArchiveProblem::Inconsistent:
        return name + " is damaged: its central directory does not match the file.";
    case ArchiveProblem::MultiVolume:
        return name + " is one volume of a multi-volume archive, which cannot be read.";
    case ArchiveProblem::TooLarge:
        return name + " has a central directory too large to read.";
    case ArchiveProblem::Encrypted:
        return name + " is encrypted (member " + Quoted(member) +
               "); only unencrypted archives can be read.";
    case ArchiveProblem::Method:
        return name + " uses compression method " + std::to_string(method) + " (member " +
               Quoted(member) + "), which cannot be decompressed here.";
    }
    return name + " cannot be read.";
}

} // namespace pv::triage
