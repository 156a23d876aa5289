#pragma once
// The tool's report files: UTF-16 little-endian with the byte-order mark FF FE, every line (the
// last one included) ended by CR LF.
#include <string>
#include <string_view>
#include <vector>

namespace pv {

class ReportText {
public:
    void Add(std::u16string_view line) { lines_.emplace_back(line); }
    const std::vector<std::u16string>& Lines() const { return lines_; }
    bool Empty() const { return lines_.empty(); }
    // The file's bytes: BOM, then each line + CR LF. An empty report is the BOM alone.
    std::string Bytes() const;

private:
    std::vector<std::u16string> lines_;
};

// UTF-16LE bytes of the text, no BOM.
std::string Utf16LeBytes(std::u16string_view text);

inline constexpr const char* kTrueText = "True";
inline constexpr const char* kFalseText = "False";
inline std::u16string BoolText(bool value) {
    return value ? u"True" : u"False";
}

} // namespace pv
