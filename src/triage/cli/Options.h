#pragma once
// pvtriage's command line.
#include <optional>
#include <string>
#include <vector>

#include "triage/model/Model.h"

namespace pv::triage::cli {

inline constexpr int ExitRead = 0;         // the archive was read, whatever it holds
inline constexpr int ExitFindings = 1;     // --fail-on found a finding of that severity
inline constexpr int ExitUnreadable = 2;   // an archive cannot be read
inline constexpr int ExitUsage = 64;       // the command line is wrong
inline constexpr int ExitCannotWrite = 73; // the HTML page cannot be written
inline constexpr int ExitInternal = 70;    // a fault of pvtriage itself

inline constexpr const char* UsageText =
    "usage: pvtriage [--json] [--html FILE] [--verify] [--window DAYS] "
    "[--fail-on error|warning] ARCHIVE\n"
    "       pvtriage [--json] [--verify] [--window DAYS] OLD.zip NEW.zip\n";

struct Options {
    bool Json = false;
    bool Verify = false;
    bool Help = false;
    std::string HtmlFile;
    int WindowDays = 7;
    std::optional<Severity> FailOn;
    std::vector<std::string> Archives; // one, or two for a comparison
};

// Either the options or the sentence that says what is wrong with the command line.
struct ParsedOptions {
    Options Parsed;
    std::string Error;
};

ParsedOptions ParseOptions(const std::vector<std::string>& arguments);

} // namespace pv::triage::cli
