# Cross-compile for 32-bit Windows: the shipped exe.
set(PV_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
