#pragma once
// A scripted setup database for the enumeration tests.
#include "devices/DeviceFields.h"
#include "devices/DeviceSource.h"
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace pv::test {

inline std::vector<uint8_t> Bytes16(std::u16string_view text, bool nul = true) {
    std::vector<uint8_t> out;
    for (const char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (nul) {
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

inline std::vector<uint8_t> MultiSz(std::initializer_list<std::u16string_view> texts) {
    std::vector<uint8_t> out;
    for (const auto text : texts) {
        const auto b = Bytes16(text);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

inline std::vector<uint8_t> LittleEndianBytes(uint64_t value, size_t count) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < count; ++i) {
        out.push_back(i < 8 ? static_cast<uint8_t>(value >> (8 * i)) : 0);
    }
    return out;
}

// MD5 texts as md5sum prints them (upper-cased), so the key is checked against an independent MD5.
inline std::u16string KnownMd5(std::string_view bytes) {
    static const std::map<std::string, std::u16string> known = {
        {"", u"D41D8CD98F00B204E9800998ECF8427E"},
        {"PCI\\VEN_8086&DEV_1234&SUBSYS_00000000&REV_01\\3&267A616A&0&18",
         u"51919A132180EF62A25427EF37E37758"},
        {"ROOT\\DISPLAY\\0000", u"B8B04317F14F772BE9E3D170BFE517F6"},
        {"USB\\VID_046D&PID_C52B\\5&1A2B3C4D&0&2", u"E147BD1E2A604DAFBA01045024C3D635"},
        {"HID\\VID_046D\xe9", u"E717BDF0C95D074A4203771F31CF3322"},
    };
    const auto it = known.find(std::string(bytes));
    return it == known.end() ? u"unexpected input" : it->second;
}

struct KeyOrder {
    bool operator()(const DevPropKey& a, const DevPropKey& b) const {
        return std::tie(a.Data1, a.Pid) < std::tie(b.Data1, b.Pid);
    }
};

// The DEVPROPTYPE the system gives each property the enumeration reads.
inline uint32_t NaturalType(const DevPropKey& key) {
    const auto same = [&](const DevPropKey& other) {
        return !KeyOrder()(key, other) && !KeyOrder()(other, key);
    };
    if (same(kDevKeyDriverDate) || same(kDevKeyInstallDate)) {
        return kDevPropTypeFileTime;
    }
    return same(kDevKeyProblemCode) ? kDevPropTypeUint32 : kDevPropTypeString;
}

struct FakeDevice {
    std::map<uint32_t, std::pair<uint32_t, std::vector<uint8_t>>> registry; // SPDRP -> type, bytes
    std::map<DevPropKey, DevPropValue, KeyOrder> properties;
    uint32_t devInst = 1;
    std::u16string instanceId;
    DevNodeStatus node{kCrSuccess, 0, 0};
    bool rollback = false;

    FakeDevice& Text(uint32_t code, std::u16string_view text) {
        registry[code] = {1, Bytes16(text)};
        return *this;
    }
    // A property of the type the system gives it, or of the type given.
    FakeDevice& Prop(const DevPropKey& key, std::vector<uint8_t> bytes) {
        return Prop(key, NaturalType(key), std::move(bytes));
    }
    FakeDevice& Prop(const DevPropKey& key, uint32_t type, std::vector<uint8_t> bytes) {
        properties[key] = {type, std::move(bytes)};
        return *this;
    }
};

class FakeDeviceSource : public DeviceSource {
public:
    std::vector<FakeDevice> devices;
    bool opens = true;
    uint32_t openedWith = 0;
    std::map<std::pair<std::u16string, std::u16string>, std::u16string> registryText;
    std::map<std::pair<std::u16string, std::u16string>, std::vector<uint8_t>> registryBytes;
    std::set<std::u16string> dchServices;
    std::vector<std::u16string> dchAsked;
    int rollbackAsked = 0;
    int throwAtDevice = -1;

    bool Open(uint32_t flags) override {
        openedWith = flags;
        return opens;
    }
    bool SelectDevice(uint32_t index) override {
        if (static_cast<int>(index) == throwAtDevice) {
            throw std::runtime_error("device walk failed");
        }
        current_ = index;
        return index < devices.size();
    }
    bool RegistryProperty(uint32_t code, uint32_t& type, std::vector<uint8_t>& data) override {
        const auto it = Current().registry.find(code);
        if (it == Current().registry.end() || it->second.second.empty()) {
            return false;
        }
        type = it->second.first;
        data = it->second.second;
        return true;
    }
    bool DeviceProperty(const DevPropKey& key, DevPropValue& value) override {
        const auto it = Current().properties.find(key);
        if (it == Current().properties.end() || it->second.Data.empty()) {
            return false;
        }
        value = it->second;
        return true;
    }
    uint32_t DevInst() override { return Current().devInst; }
    std::u16string InstanceId() override { return Current().instanceId; }
    DevNodeStatus NodeStatus() override { return Current().node; }
    std::u16string RegistryText(const std::u16string& keyPath,
                                const std::u16string& name) override {
        const auto it = registryText.find({keyPath, name});
        return it == registryText.end() ? std::u16string() : it->second;
    }
    std::vector<uint8_t> RegistryBytes(const std::u16string& keyPath,
                                       const std::u16string& name) override {
        const auto it = registryBytes.find({keyPath, name});
        return it == registryBytes.end() ? std::vector<uint8_t>() : it->second;
    }
    bool Rollback(const std::u16string&) override {
        ++rollbackAsked;
        return Current().rollback;
    }
    bool IsDchService(const std::u16string& serviceName) override {
        dchAsked.push_back(serviceName);
        return dchServices.count(serviceName) != 0;
    }
    std::string AnsiBytes(const std::u16string& text) override {
        std::string out;
        for (const char16_t c : text) {
            out += static_cast<char>(c < 256 ? c : '?');
        }
        return out;
    }

private:
    FakeDevice& Current() { return devices.at(current_); }
    size_t current_ = 0;
};

} // namespace pv::test
