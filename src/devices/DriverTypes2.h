#pragma once
// The device record, its pointer, the non-owning ordered list that carries the records from the
// enumeration to the device list report, and the install-date sort.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pv {

// One device with its installed driver. Dates are days since 30 December 1899 (UTC); 0 = no date.
struct TDeviceItem {
    std::u16string Name;        // friendly name, else the description
    std::u16string Description; // device description
    std::u16string ClassGuid;   // "{...}" setup class GUID
    std::u16string ClassName;   // setup class name
    std::u16string DriverProvider;
    std::u16string DriverVersion;
    double DriverDate = 0;
    double InstallDate = 0;
    std::u16string MatchingId;    // upper case
    std::u16string CompatibleIds; // joined by commas
    std::u16string HardwareIds;   // joined by commas
    uint32_t DevInst = 0;         // valid only while the enumeration runs
    std::u16string InstanceId;
    uint32_t InstallState = 0; // 0..255
    bool PlugState = false;
    uint32_t ProblemNumber = 0;
    uint32_t ProblemCode = 0;
    bool Reinstall = false;
    bool Rollback = false;
    bool IsDch = false;
    std::u16string Key; // MD5 text of the ANSI instance ID
};
using PDeviceItem = TDeviceItem*;

// A record with every field at its initial value; freed with DisposeDeviceItem.
PDeviceItem NewDeviceItem();
// Frees a record from NewDeviceItem; null is ignored.
void DisposeDeviceItem(PDeviceItem item);

// The error of reading an entry outside 0..Count-1.
class EArgumentOutOfRange : public std::out_of_range {
public:
    EArgumentOutOfRange() : std::out_of_range("Argument out of range") {}
};

// Ordered, growable array of values. It never owns what its entries point to: the list's owner
// disposes of the records before it frees the list. Growth failure raises std::bad_alloc.
template <typename T> class TList {
public:
    // -1 when left is before right, +1 when after, 0 when equal.
    using Comparer = int (*)(const T& left, const T& right);

    int Add(const T& value) {
        items_.push_back(value);
        return static_cast<int>(items_.size()) - 1;
    }
    int Count() const { return static_cast<int>(items_.size()); }
    const T& Items(int index) const { return items_.at(Checked(index)); }
    T& Items(int index) { return items_.at(Checked(index)); }
    const T& operator[](int index) const { return Items(index); }
    void Clear() { items_.clear(); }

    // The classic unstable quicksort; equal entries come out in exactly the order it yields.
    void Sort(Comparer compare) {
        if (items_.size() > 1) {
            QuickSort(0, Count() - 1, compare);
        }
    }

private:
    size_t Checked(int index) const {
        if (index < 0 || index >= Count()) {
            throw EArgumentOutOfRange();
        }
        return static_cast<size_t>(index);
    }

    void QuickSort(int left, int right, Comparer compare) {
        if (right - left <= 0) {
            return;
        }
        int i = 0;
        do {
            i = left;
            int j = right;
            const T pivot = items_[static_cast<size_t>(left + (right - left) / 2)];
            do {
                while (compare(items_[static_cast<size_t>(i)], pivot) < 0) {
                    ++i;
                }
                while (compare(items_[static_cast<size_t>(j)], pivot) > 0) {
                    --j;
                }
                if (i <= j) {
                    if (i != j) {
                        std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
                    }
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (left < j) {
                QuickSort(left, j, compare);
            }
            left = i;
        } while (i < right);
    }

    std::vector<T> items_;
};

// Newest install date first, undated (0) records last. A null entry counts as undated.
int CompareInstallDate(const PDeviceItem& left, const PDeviceItem& right);
// Sorts the list in place with CompareInstallDate; a null list is left alone.
void SortByDate(TList<PDeviceItem>* list);

// Disposes of every record of a list when it goes out of scope, then empties the list.
class DeviceRecordsOwner {
public:
    explicit DeviceRecordsOwner(TList<PDeviceItem>& list) : list_(list) {}
    ~DeviceRecordsOwner();
    DeviceRecordsOwner(const DeviceRecordsOwner&) = delete;
    DeviceRecordsOwner& operator=(const DeviceRecordsOwner&) = delete;

private:
    TList<PDeviceItem>& list_;
};

} // namespace pv
