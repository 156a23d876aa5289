#include "platform/ReportSave.h"
#include "platform/Text.h"
#include <algorithm>

namespace pv {

std::u16string FreshReportName(std::u16string_view path, std::uint64_t random) {
    return std::u16string(path) + u"." + HexDigits(random, 16) + u".tmp";
}

bool SaveReportBytes(ReportFileOps& ops, const std::u16string& path, const std::u16string& fresh,
                     std::string_view bytes, size_t chunk) {
    if (!ops.CreateFresh(fresh)) {
        ops.RemoveReport(path);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t wanted = std::min(chunk == 0 ? bytes.size() : chunk, bytes.size() - done);
        const size_t written = ops.Write(bytes.data() + done, wanted);
        if (written == 0 || written > wanted) {
            ops.DiscardFresh();
            ops.RemoveReport(path);
            return false;
        }
        done += written;
    }
    if (!ops.RenameOver(path)) {
        ops.DiscardFresh();
        ops.RemoveReport(path);
        return false;
    }
    return true;
}

} // namespace pv
