// Restore-point library double: lists three fixed restore points, the last of type 13 (a cancelled
// operation). Built per architecture, as the tool loads only a library of its own: the record is
// the 20-byte layout of the host product's 32-bit library (two 32-bit text pointers and a type),
// and in an x86_64 build the same fields with 8-byte pointers, 32 bytes.
#include "RestorePointRecord.h"

#include <cstdint>

namespace {

struct CannedPoint {
    const wchar_t* Description;
    int32_t Type;
    const wchar_t* CreationTime;
};

const CannedPoint kPoints[] = {
    {L"Installed Plenvia", 0, L"2024-03-01 10:15:00"},
    {L"Plenvia driver update: Acme Audio", 10, L"2024-03-02 08:00:30"},
    {L"Cancelled driver update", 13, L"2024-03-03 17:45:10"},
};

int gNext = -1; // index of the next point to hand out; -1 when no enumeration runs

int32_t Fill(RestorePointRecord* record) {
    if (!record || gNext < 0 || gNext >= static_cast<int>(sizeof kPoints / sizeof kPoints[0])) {
        return 1;
    }
    const CannedPoint& p = kPoints[gNext++];
    record->Description = p.Description;
    record->Type = p.Type;
    record->CreationTime = p.CreationTime;
    return 0;
}

} // namespace

extern "C" {

__declspec(dllexport) int32_t __cdecl EnumFirstPoint(RestorePointRecord* record) {
    gNext = 0;
    return Fill(record);
}

__declspec(dllexport) int32_t __cdecl EnumNextPoint(RestorePointRecord* record) {
    return Fill(record);
}

__declspec(dllexport) int32_t __cdecl CloseEnum() {
    gNext = -1;
    return 0;
}
}
