#pragma once
// The restore-point record the double hands out: the host product's library's layout, two text
// pointers and a type (20 bytes in a 32-bit build, 32 in an x86_64 one). The tool's own reader
// is tested against this declaration, so the double and the reader cannot drift apart.
#include <cstddef>
#include <cstdint>

struct RestorePointRecord {
    const wchar_t* Description;
    int32_t Type;
    uint8_t Reserved[8];
    const wchar_t* CreationTime;
};
static_assert(sizeof(void*) != 4 ||
              (sizeof(RestorePointRecord) == 20 && offsetof(RestorePointRecord, Type) == 4 &&
               offsetof(RestorePointRecord, CreationTime) == 16));
static_assert(sizeof(void*) != 8 ||
              (sizeof(RestorePointRecord) == 32 && offsetof(RestorePointRecord, Type) == 8 &&
               offsetof(RestorePointRecord, CreationTime) == 24));
