#pragma once
// The sentences that say why an archive cannot be read at all, shared by the native reader and
// the page so that both word each case the same way.
#include <string>
#include <string_view>

namespace pv::triage {

enum class ArchiveProblem {
    Empty = 0,
    NotZip = 1,
    Truncated = 2,    // ZIP member data but no end of central directory
    Inconsistent = 3, // the central directory does not match the file
    MultiVolume = 4,
    TooLarge = 5,  // a central directory too large to read
    Encrypted = 6, // `member` is encrypted
    Method = 7,    // `member` uses compression method `method`, which cannot be decompressed
};

// One sentence naming the archive (made printable and quoted), ending with a period.
std::string ArchiveProblemText(ArchiveProblem problem, std::string_view archive,
                               std::string_view member = {}, int method = 0);

} // namespace pv::triage
