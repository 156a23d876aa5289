#pragma once
// Move-only owners of Win32 handles, one per kind, each with its own invalid value and closer.
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <utility>

namespace pv {

// Traits: `using Type`, `static Type Invalid()`, `static void Close(Type)`.
template <typename Traits> class UniqueResource {
public:
    using T = typename Traits::Type;
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    T get() const { return value_; }
    bool valid() const { return value_ != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }
    T release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(T value = Traits::Invalid()) {
        if (value_ != Traits::Invalid()) {
            Traits::Close(value_);
        }
        value_ = value;
    }
    // For out-parameters: frees the current value and hands out the slot.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Traits::Invalid();
};

template <typename H, void (*Closer)(H)> struct NullTraits {
    using Type = H;
    static H Invalid() { return nullptr; }
    static void Close(H h) { Closer(h); }
};
template <void (*Closer)(HANDLE)> struct MinusOneTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { Closer(h); }
};

inline void CloseKernelHandle(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseFind(HANDLE h) {
    ::FindClose(h);
}
inline void CloseRegKey(HKEY h) {
    ::RegCloseKey(h);
}
inline void CloseLibrary(HMODULE h) {
    ::FreeLibrary(h);
}
inline void CloseService(SC_HANDLE h) {
    ::CloseServiceHandle(h);
}
inline void CloseView(void* p) {
    ::UnmapViewOfFile(p);
}

// CreateFileW results: invalid is INVALID_HANDLE_VALUE.
using UniqueFile = UniqueResource<MinusOneTraits<CloseKernelHandle>>;
// Processes, threads, events, pipes, file mappings: invalid is NULL.
using UniqueHandle = UniqueResource<NullTraits<HANDLE, CloseKernelHandle>>;
// FindFirstFileW results: invalid is INVALID_HANDLE_VALUE.
using UniqueFind = UniqueResource<MinusOneTraits<CloseFind>>;
// CreateToolhelp32Snapshot results: invalid is INVALID_HANDLE_VALUE.
using UniqueSnapshot = UniqueResource<MinusOneTraits<CloseKernelHandle>>;
// Registry keys: invalid is NULL.
using UniqueRegKey = UniqueResource<NullTraits<HKEY, CloseRegKey>>;
// LoadLibraryExW results: invalid is NULL.
using UniqueLibrary = UniqueResource<NullTraits<HMODULE, CloseLibrary>>;
// Service control manager handles: invalid is NULL.
using UniqueService = UniqueResource<NullTraits<SC_HANDLE, CloseService>>;
// MapViewOfFile results: invalid is NULL.
using UniqueView = UniqueResource<NullTraits<void*, CloseView>>;

// ---- GDI ----
inline void CloseGdiObject(HGDIOBJ h) {
    ::DeleteObject(h);
}
inline void CloseMemoryDc(HDC h) {
    ::DeleteDC(h);
}
// Fonts, brushes, pens, bitmaps (CreateFontIndirectW, CreateSolidBrush, ...): invalid is NULL.
// Deselect an object from every DC before its owner goes.
using UniqueGdiObject = UniqueResource<NullTraits<HGDIOBJ, CloseGdiObject>>;
// CreateCompatibleDC results: invalid is NULL.
using UniqueMemoryDc = UniqueResource<NullTraits<HDC, CloseMemoryDc>>;

// ---- Memory the system allocates for the caller ----
template <typename T> struct LocalMemoryTraits {
    using Type = T*;
    static T* Invalid() { return nullptr; }
    static void Close(T* p) { ::LocalFree(p); }
};
template <typename T> struct CoTaskMemoryTraits {
    using Type = T*;
    static T* Invalid() { return nullptr; }
    static void Close(T* p) { ::CoTaskMemFree(p); }
};
// LocalFree'd results (ConvertSidToStringSidW, ConvertStringSecurityDescriptorToSecurity-
// DescriptorW): invalid is NULL.
template <typename T> using UniqueLocalMemory = UniqueResource<LocalMemoryTraits<T>>;
// CoTaskMemFree'd results (SHGetSpecialFolderLocation's item lists): invalid is NULL.
template <typename T> using UniqueCoTaskMemory = UniqueResource<CoTaskMemoryTraits<T>>;

// ---- COM ----
template <typename Interface> struct ComTraits {
    using Type = Interface*;
    static Interface* Invalid() { return nullptr; }
    static void Close(Interface* p) { p->Release(); }
};
// An interface pointer the owner holds one reference of: invalid is NULL. Fill it through
// OutPointer(ptr) where a call takes a void**.
template <typename Interface> using UniqueCom = UniqueResource<ComTraits<Interface>>;
template <typename Interface> void** OutPointer(UniqueCom<Interface>& pointer) {
    return reinterpret_cast<void**>(pointer.put());
}

// COM initialised (apartment-threaded) on this thread for the scope's lifetime. Uninitialises
// only when CoInitialize succeeded (S_FALSE, already initialised, included), as it must be paired.
class ComInitScope {
public:
    ComInitScope() : result_(::CoInitialize(nullptr)) {}
    ~ComInitScope() {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }
    ComInitScope(const ComInitScope&) = delete;
    ComInitScope& operator=(const ComInitScope&) = delete;

private:
    HRESULT result_;
};

} // namespace pv
