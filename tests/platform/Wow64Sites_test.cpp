// Every Win32 call whose answer depends on the process's bitness goes through the 32-bit view, so
// an x86_64 build reads what the shipped 32-bit exe reads. A raw call added later would read this
// process's default view or folder again; these scans catch it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct SourceFile {
    std::string Path; // relative to src/
    std::string Text; // without "//" comments, which may name what the code must not call
};

std::string WithoutLineComments(std::istream& in) {
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
        text += line.substr(0, line.find("//"));
        text += '\n';
    }
    return text;
}

std::vector<SourceFile> ProductSources() {
    std::vector<SourceFile> files;
    const fs::path root = fs::path(PV_SOURCE_DIR) / "src";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) {
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        files.push_back(
            {fs::relative(entry.path(), root).generic_string(), WithoutLineComments(in)});
    }
    return files;
}

// Paths of the files that contain `needle`, except those allowed to.
std::vector<std::string> FilesWith(const std::string& needle,
                                   const std::vector<std::string>& allowed) {
    std::vector<std::string> found;
    for (const auto& file : ProductSources()) {
        if (file.Text.find(needle) == std::string::npos) {
            continue;
        }
        bool ok = false;
        for (const auto& a : allowed) {
            ok = ok || file.Path == a;
        }
        if (!ok) {
            found.push_back(file.Path);
        }
    }
    return found;
}

using Files = std::vector<std::string>;

TEST(Wow64Sites, RegistryKeysOpenOnlyThroughTheViewApi) {
    EXPECT_EQ(FilesWith("RegOpenKeyEx", {"platform/win32/Registry.cpp"}), Files{});
    EXPECT_EQ(FilesWith("KEY_WOW64_", {"platform/win32/Registry.cpp"}), Files{});
}

TEST(Wow64Sites, CreatedKeysNameTheirView) {
    for (const auto& file : ProductSources()) {
        for (size_t at = file.Text.find("RegCreateKeyEx"); at != std::string::npos;
             at = file.Text.find("RegCreateKeyEx", at + 1)) {
            const size_t end = file.Text.find(';', at);
            EXPECT_NE(file.Text.substr(at, end - at).find("RegistryViewAccess("), std::string::npos)
                << file.Path;
        }
    }
}

TEST(Wow64Sites, ProgramFilesFoldersAskedThroughTheView) {
    for (const auto& file : ProductSources()) {
        std::istringstream lines(file.Text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.find("CSIDL_PROGRAM_FILES") != std::string::npos) {
                EXPECT_NE(line.find("CsidlIn32BitView("), std::string::npos)
                    << file.Path << ": " << line;
            }
        }
    }
}

TEST(Wow64Sites, ProcessBitnessAskedInOnePlace) {
    // The process's own architecture differs between the builds; the native one does not.
    EXPECT_EQ(FilesWith("::GetSystemInfo(", {}), Files{});
    EXPECT_EQ(FilesWith("IsWow64Process", {"platform/win32/Wow64View.cpp"}), Files{});
}

} // namespace
