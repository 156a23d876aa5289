#pragma once
// Where a report writer puts its file: the log folder, made on demand.
#include "product/AppConfig.h"
#include "sysinfo/AppFuncs.h"

#include <string>

namespace pv {

// The full path of `name` in the log folder after creating that folder (a failure to create it
// shows when the file is written); empty when there is no log folder.
inline std::u16string LogFolderFile(const std::u16string& name) {
    const std::u16string folder = LogFolder();
    if (folder.empty()) {
        return {};
    }
    ForceFolder(folder);
    return folder + name;
}

} // namespace pv
