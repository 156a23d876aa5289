#include "sysinfo/RestoreRecord.h"

namespace pv {

namespace {

uint64_t ReadLittleEndian(std::span<const uint8_t> bytes, size_t at, size_t size) {
    uint64_t value = 0;
    for (size_t i = size; i-- > 0;) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

} // namespace

RestoreRecordFields ReadRestoreRecord(std::span<const uint8_t> bytes,
                                      const RestoreRecordLayout& layout) {
    RestoreRecordFields fields;
    if (bytes.size() < layout.Size) {
        return fields;
    }
    fields.FirstText = ReadLittleEndian(bytes, layout.FirstText, layout.PointerSize);
    fields.Type =
        static_cast<int32_t>(static_cast<uint32_t>(ReadLittleEndian(bytes, layout.Type, 4)));
    fields.SecondText = ReadLittleEndian(bytes, layout.SecondText, layout.PointerSize);
    return fields;
}

} // namespace pv
