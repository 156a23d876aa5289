#include "devices/DriverTypes2.h"

namespace pv {

PDeviceItem NewDeviceItem() {
    return new TDeviceItem();
}

void DisposeDeviceItem(PDeviceItem item) {
    delete item;
}

int CompareInstallDate(const PDeviceItem& left, const PDeviceItem& right) {
    const double l = left ? left->InstallDate : 0;
    const double r = right ? right->InstallDate : 0;
    if (l > r) {
        return -1;
    }
    if (l < r) {
        return 1;
    }
    return 0;
}

void SortByDate(TList<PDeviceItem>* list) {
    if (list) {
        list->Sort(CompareInstallDate);
    }
}

DeviceRecordsOwner::~DeviceRecordsOwner() {
    for (int i = 0; i < list_.Count(); ++i) {
        DisposeDeviceItem(list_.Items(i));
    }
    list_.Clear();
}

} // namespace pv
