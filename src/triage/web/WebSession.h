#pragma once
// One archive as the page reads it: the script hands over the central directory entry by entry,
// then the bytes of the members the core asks for, under the same caps as the native loader.
// Portable C++ with no browser dependency, so it is tested natively.
#include "triage/render/RenderFacts.h"
#include "triage/analyse/Triage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pv::triage::web {

enum class OutputKind { Html = 0, Json = 1, Text = 2, Error = 3 };

class Session {
public:
    Session(std::string archiveName, int windowDays);

    // Room for `length` bytes of input (a name or a member's data); stays valid until the next
    // call of Buffer.
    char* Buffer(size_t length);

    // The next entry, its name in the buffer. 1: the core will ask for its bytes; 0: not;
    // -1: the archive cannot be read (an encrypted member or a method the page cannot
    // decompress), and Output(Error) says why.
    int AddMember(size_t nameLength, double size, std::optional<double> modified, bool encrypted,
                  int method, bool methodSupported);
    void DirectoryFailed(int kind);

    // The next member to read whole (its declared size is within the caps), or -1. Members over
    // a cap are marked and skipped.
    int NextRead();
    // The member NextRead gave: `length` bytes in the buffer, `damaged` when a check failed.
    void ReadDone(size_t length, bool damaged);

    // Runs the core; false when the archive cannot be read.
    bool Analyse();

    const std::string& Output(OutputKind kind);
    const std::string& DiffFrom(const Session& older, OutputKind kind);
    size_t OutputLength() const { return Out.size(); }

    // The first failure wins: later calls cannot replace the sentence that stopped the read.
    void Fail(std::string sentence);

private:
    std::string Name;
    int WindowDays;
    std::string Scratch;
    std::vector<Member> Members;
    std::vector<size_t> Wanted; // members whose bytes the parsers read, in archive order
    size_t NextWanted = 0;
    std::optional<size_t> Current;
    uint64_t Total = 0;
    std::optional<std::string> Error;
    bool Analysed = false;
    Triage Facts;
    RenderContext Context;
    std::string Out;
};

} // namespace pv::triage::web
