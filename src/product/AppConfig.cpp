#include "product/AppConfig.h"
#include "platform/Text.h"

namespace pv {

namespace {

// Never destroyed: a worker may still read them while the process exits.
std::u16string& UserBase() {
    static auto* value = new std::u16string();
    return *value;
}
std::u16string& CommonBase() {
    static auto* value = new std::u16string();
    return *value;
}

constexpr char16_t kProductSubFolder[] = u"Orvix\\Plenvia\\";

} // namespace

const std::u16string& UserAppDataDir() {
    return UserBase();
}
const std::u16string& CommonAppDataDir() {
    return CommonBase();
}

std::u16string UserProductFolder() {
    return UserBase().empty() ? std::u16string() : UserBase() + kProductSubFolder;
}

std::u16string LogFolder() {
    const std::u16string folder = UserProductFolder();
    return folder.empty() ? folder : folder + u"Logs\\";
}

std::u16string CommonProductFolder() {
    return CommonBase().empty() ? std::u16string() : CommonBase() + kProductSubFolder;
}

void SetProductFolders(const std::u16string& userAppData, const std::u16string& commonAppData) {
    UserBase() = WithTrailingBackslash(userAppData);
    CommonBase() = WithTrailingBackslash(commonAppData);
}

} // namespace pv
