#include "triage/cli/Options.h"

#include <charconv>

namespace pv::triage::cli {
namespace {

constexpr int MaxWindowDays = 3650;

std::optional<int> Days(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > MaxWindowDays)
        return std::nullopt;
    return value;
}

} // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
    ParsedOptions result;
    Options& options = result.Parsed;
    bool onlyOperands = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (onlyOperands || argument.size() < 2 || argument[0] != '-') {
            options.Archives.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyOperands = true;
            continue;
        }
        // "--name=value" and "--name value" are the same.
        std::optional<std::string> inlineValue;
        if (const size_t equals = argument.find('=');
            argument.starts_with("--") && equals != std::string::npos) {
            inlineValue = argument.substr(equals + 1);
            argument.resize(equals);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            return std::nullopt;
        };
        const auto flag = [&](bool& target) {
            if (inlineValue) {
                result.Error = argument + " takes no value.";
                return;
            }
            target = true;
        };
        if (argument == "--json") {
            flag(options.Json);
        } else if (argument == "--verify") {
            flag(options.Verify);
        } else if (argument == "--help" || argument == "-h") {
            flag(options.Help);
        } else if (argument == "--html") {
            const auto file = value();
            if (!file || file->empty())
                result.Error = "--html needs a file name.";
            else
                options.HtmlFile = *file;
        } else if (argument == "--window") {
            const auto text = value();
            const auto days = text ? Days(*text) : std::nullopt;
            if (!days)
                result.Error = "--window needs a number of days from 0 to " +
                               std::to_string(MaxWindowDays) + ".";
            else
                options.WindowDays = *days;
        } else if (argument == "--fail-on") {
            const auto level = value();
            if (level && *level == "error")
                options.FailOn = Severity::Error;
            else if (level && *level == "warning")
                options.FailOn = Severity::Warning;
            else
                result.Error = "--fail-on needs \"error\" or \"warning\".";
        } else {
            result.Error = "unknown option " + argument + ".";
        }
        if (!result.Error.empty())
            return result;
    }
    if (options.Help)
        return result;
    if (options.Archives.empty())
        result.Error = "no archive given.";
    else if (options.Archives.size() > 2)
        result.Error = "at most two archives can be given.";
    else if (options.Archives.size() == 2 && !options.HtmlFile.empty())
        result.Error = "--html describes one archive, not a comparison.";
    else if (options.Archives.size() == 2 && options.FailOn)
        result.Error = "--fail-on applies to one archive, not a comparison.";
    return result;
}

} // namespace pv::triage::cli
