// The library's one export, so it is a well-formed DLL; its version resource is what matters.
extern "C" __declspec(dllexport) int __cdecl VersionedMarker() {
    return 110;
}
