// Windows release name and flag from the version figures the system reports.
#include "sysinfo/AppFuncs.h"

#include "platform/Text.h"

namespace pv {

namespace {

constexpr uint32_t kPlatformNt = 2;
constexpr uint8_t kWorkstation = 1;

bool Is(const WindowsVersion& v, uint32_t major, uint32_t minor) {
    return v.Major == major && v.Minor == minor;
}

// Bit position of the architecture inside a release's three bits: x86, x64, ia64.
int ArchitectureSlot(uint16_t architecture) {
    switch (architecture) {
    case 0:
        return 0;
    case 9:
        return 1;
    case 6:
        return 2;
    default:
        return -1;
    }
}

} // namespace

std::u16string WindowsNameFor(const WindowsVersion& v) {
    if (v.PlatformId != kPlatformNt) {
        return {};
    }
    const bool ws = v.ProductType == kWorkstation;
    std::u16string name;
    if (Is(v, 5, 0)) {
        name = u"Windows 2000";
    } else if ((Is(v, 5, 1) || Is(v, 5, 2)) && ws) {
        name = u"Windows XP";
    } else if (Is(v, 6, 0) && ws) {
        name = u"Windows Vista";
    } else if (Is(v, 6, 1) && ws) {
        name = u"Windows 7";
    } else if (Is(v, 6, 2) && ws) {
        name = u"Windows 8";
    } else if (Is(v, 6, 3) && ws) {
        name = u"Windows 8.1";
    } else if (Is(v, 6, 4) && ws) {
        name = u"Windows 10 Preview";
    } else if (Is(v, 10, 0) && ws) {
        name = u"Windows 10";
    } else if (Is(v, 5, 2)) {
        name = u"Windows Server 2003";
    } else if (Is(v, 6, 0) || Is(v, 6, 1)) {
        name = u"Windows Server 2008";
    } else if (Is(v, 6, 2)) {
        name = u"Windows Server 2012";
    } else {
        name = u"Windows Unknown(" + ToText(v.Major) + u"." + ToText(v.Minor) + u")";
    }
    if (v.ServerR2) {
        name += u" R2";
    }
    switch (v.Architecture) {
    case 0:
        name += u" x86";
        break;
    case 6:
        name += u" ia64";
        break;
    case 9:
        name += u" x64";
        break;
    default:
        break;
    }
    if (!v.ServicePack.empty()) {
        name += u" " + v.ServicePack.substr(0, 128);
    }
    name += u" Build " + ToText(v.Build);
    return name;
}

uint32_t OSFlagFor(const WindowsVersion& v) {
    if (v.PlatformId != kPlatformNt) {
        return 0;
    }
    const bool ws = v.ProductType == kWorkstation;
    uint32_t row = 0; // the x86 bit of the matching release; the others follow it
    if ((Is(v, 5, 1) || Is(v, 5, 2)) && ws) {
        row = 0x1;
    } else if (Is(v, 6, 0) && ws) {
        row = 0x8;
    } else if (Is(v, 6, 1) && ws) {
        row = 0x40;
    } else if (Is(v, 6, 2) && ws) {
        row = 0x200;
    } else if (Is(v, 6, 3) && ws) {
        row = 0x200000;
    } else if ((Is(v, 6, 4) || Is(v, 10, 0)) && ws) {
        row = 0x1000000;
    } else if (Is(v, 5, 2)) {
        row = 0x1000;
    } else if (Is(v, 6, 0) || Is(v, 6, 1)) {
        row = 0x8000;
    } else if (Is(v, 6, 2)) {
        row = 0x40000;
    }
    const int slot = ArchitectureSlot(v.Architecture);
    if (row == 0 || slot < 0) {
        return 0;
    }
    return row << slot;
}

} // namespace pv
