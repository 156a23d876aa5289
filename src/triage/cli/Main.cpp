// pvtriage: reads an archive the tool wrote (or two of one machine) and prints what a support
// engineer should look at first. Exit codes are in Options.h.
#include "triage/cli/Options.h"

#include "triage/read/Archive.h"
#include "triage/read/ArchiveLoad.h"
#include "triage/analyse/Diff.h"
#include "triage/model/TextEscape.h"
#include "triage/render/RenderHtml.h"
#include "triage/render/RenderJson.h"
#include "triage/render/RenderText.h"
#include "triage/analyse/Triage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pv::triage::cli {
namespace {

struct Outcome {
    int Code = ExitRead;
    std::string Out;   // standard output, written only when everything else succeeded
    std::string Error; // one sentence for standard error
};

void WriteAll(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// Writes the page beside its final name and renames it into place, so that a failed write
// never leaves half a page behind.
std::string WriteFileAtomically(const std::string& path, const std::string& content) {
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        return "cannot write " + path + ": " + std::strerror(errno) + ".";
    size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = write(descriptor, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = errno;
            close(descriptor);
            unlink(temporary.c_str());
            return "cannot write " + path + ": " + std::strerror(error) + ".";
        }
        written += static_cast<size_t>(n);
    }
    fchmod(descriptor, 0644);
    if (close(descriptor) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return "cannot write " + path + ": " + std::strerror(error) + ".";
    }
    return {};
}

struct Loaded {
    Triage Facts;
    RenderContext Context;
    std::string Error;
};

Loaded Load(const std::string& path, const cli::Options& options) {
    Loaded loaded;
    OpenResult opened = Archive::Open(path);
    if (!opened.Opened) {
        loaded.Error = opened.Error;
        return loaded;
    }
    std::vector<Member> members = LoadMembers(*opened.Opened, options.Verify);
    // libzip's directory is no longer needed; with many members it is the largest allocation.
    opened.Opened.reset();
    triage::Options core;
    core.WindowDays = options.WindowDays;
    loaded.Facts = ReadArchiveFacts(members, core);
    loaded.Context.ArchiveName = path;
    loaded.Context.Verified = options.Verify;
    loaded.Context.WindowDays = options.WindowDays;
    return loaded;
}

bool HasFindingAtLeast(const Triage& facts, Severity level) {
    for (const Finding& finding : facts.Findings)
        if (static_cast<int>(finding.Level) <= static_cast<int>(level))
            return true;
    return false;
}

Outcome RunOne(const cli::Options& options) {
    Outcome outcome;
    const Loaded loaded = Load(options.Archives[0], options);
    if (!loaded.Error.empty())
        return {ExitUnreadable, {}, loaded.Error};
    if (!options.HtmlFile.empty()) {
        const std::string error =
            WriteFileAtomically(options.HtmlFile, RenderHtml(loaded.Facts, loaded.Context));
        if (!error.empty())
            return {ExitCannotWrite, {}, error};
    }
    outcome.Out = options.Json ? RenderJson(loaded.Facts, loaded.Context)
                               : RenderText(loaded.Facts, loaded.Context);
    if (options.FailOn && HasFindingAtLeast(loaded.Facts, *options.FailOn))
        outcome.Code = ExitFindings;
    return outcome;
}

Outcome RunDiff(const cli::Options& options) {
    const Loaded older = Load(options.Archives[0], options);
    if (!older.Error.empty())
        return {ExitUnreadable, {}, older.Error};
    const Loaded newer = Load(options.Archives[1], options);
    if (!newer.Error.empty())
        return {ExitUnreadable, {}, newer.Error};
    const ArchiveDiff diff = Diff(older.Facts, newer.Facts);
    Outcome outcome;
    outcome.Out = options.Json
                      ? RenderDiffJson(diff, older.Facts, older.Context, newer.Facts, newer.Context)
                      : RenderDiffText(diff, older.Context, newer.Context);
    return outcome;
}

int Run(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseOptions(arguments);
    if (!parsed.Error.empty()) {
        WriteAll(stderr, "pvtriage: " + PrintableText(parsed.Error) + "\n" + UsageText);
        return ExitUsage;
    }
    if (parsed.Parsed.Help) {
        WriteAll(stdout, UsageText);
        return ExitRead;
    }
    const Outcome outcome =
        parsed.Parsed.Archives.size() == 2 ? RunDiff(parsed.Parsed) : RunOne(parsed.Parsed);
    if (!outcome.Error.empty()) {
        WriteAll(stderr, "pvtriage: " + PrintableText(outcome.Error) + "\n");
        return outcome.Code;
    }
    WriteAll(stdout, outcome.Out);
    if (std::ferror(stdout)) {
        WriteAll(stderr, "pvtriage: cannot write the output.\n");
        return ExitCannotWrite;
    }
    return outcome.Code;
}

} // namespace
} // namespace pv::triage::cli

int main(int argc, char** argv) {
    try {
        return pv::triage::cli::Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("pvtriage: out of memory.\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pvtriage: internal error: %s.\n", e.what());
    } catch (...) {
        std::fputs("pvtriage: internal error.\n", stderr);
    }
    return pv::triage::cli::ExitInternal;
}
