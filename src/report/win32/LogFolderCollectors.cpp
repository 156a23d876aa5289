#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "product/AppConfig.h"
#include "report/win32/Feedback.h"
#include "report/win32/ReportWriters.h"

namespace pv {

namespace {

// Every "*.log" of `folder` in directory order, skipping "." and ".." and plain folders (an entry
// whose attributes are exactly the directory bit), as `memberPrefix` + its name.
void AddLogs(TFeedback& job, const std::u16string& folder, const std::u16string& memberPrefix) {
    WIN32_FIND_DATAW found{};
    UniqueFind search(::FindFirstFileW(W(folder + u"*.log"), &found));
    if (!search) {
        return;
    }
    do {
        const std::u16string name = U16(found.cFileName);
        if (name == u"." || name == u".." || found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        job.AddItem(folder + name, memberPrefix + name);
    } while (::FindNextFileW(search.get(), &found));
}

} // namespace

void AddBackupLogs(TFeedback& job) {
    const std::u16string user = UserProductFolder();
    if (!user.empty()) {
        AddLogs(job, user + u"Logs\\Backup\\", u"AppData\\Logs\\Backup\\");
    }
}

void AddSurgeLogs(TFeedback& job) {
    const std::u16string user = UserProductFolder();
    if (!user.empty()) {
        AddLogs(job, user + u"Logs\\Surge\\", u"AppData\\Logs\\Surge\\");
        AddLogs(job, user + u"Surge\\Logs\\", u"AppData\\Surge\\Logs\\");
    }
}

} // namespace pv
