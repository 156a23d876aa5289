#pragma once
// How a report reaches its name: written whole under a fresh name beside it and renamed over it
// only when complete, so a reader never sees a partial report, and a save that fails leaves no
// report at all, neither a partial one nor an earlier run's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pv {

// The file operations a save needs; the Windows ones check every name against the trusted roots.
class ReportFileOps {
public:
    virtual ~ReportFileOps() = default;
    // Creates a new, empty file at `fresh`, refusing any existing entry there. False on failure.
    virtual bool CreateFresh(const std::u16string& fresh) = 0;
    // Writes up to `size` bytes to the fresh file; the number written, 0 on an error.
    virtual size_t Write(const char* data, size_t size) = 0;
    // Renames the fresh file over `path`, replacing the entry there (never writing through it).
    virtual bool RenameOver(const std::u16string& path) = 0;
    // Removes the fresh file.
    virtual void DiscardFresh() = 0;
    // Removes the report at `path` when it is a plain file of ours.
    virtual void RemoveReport(const std::u16string& path) = 0;
};

// "<path>.<16 hex digits of random>.tmp": beside the report, never a name the collection packs.
std::u16string FreshReportName(std::u16string_view path, std::uint64_t random);

// Writes `bytes` to `fresh` in chunks of at most `chunk` bytes and renames it over `path`. True
// when the report is complete at its name; false after any failure, with the fresh file
// discarded and the report at `path` removed.
bool SaveReportBytes(ReportFileOps& ops, const std::u16string& path, const std::u16string& fresh,
                     std::string_view bytes, size_t chunk = size_t(1) << 20);

} // namespace pv
