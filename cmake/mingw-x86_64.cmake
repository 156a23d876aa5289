# Cross-compile for 64-bit Windows: the same source and flags as the shipped i686 exe, for the Wine
# tier where a machine cannot run 32-bit code.
set(PV_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
