# The executable, its resources, the tools that run beside it, and the Wine test tier.
# Every subsystem sits on platform, so its Windows settings and imports reach them all.
target_compile_definitions(pv_platform PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                               _WIN32_WINNT=0x0600 WINVER=0x0600)
# Imports are limited to known system libraries (comctl32 comes through the manifest's side-by-side
# assembly); others are bound at run time from System32 (platform/win32/SystemLibrary.h).
target_link_libraries(pv_platform PUBLIC shell32 ole32 uuid comctl32 advapi32 ws2_32
                                          gdi32 user32 shlwapi)

# The manifest names the exe's own architecture: an x86_64 exe that asks for the x86 Common
# Controls cannot start (c000007b). The resource is rebuilt whenever the manifest changes, which
# windres does not track by itself.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(PV_MANIFEST_ARCH amd64)
else()
  set(PV_MANIFEST_ARCH x86)
endif()
set(PV_MANIFEST ${CMAKE_BINARY_DIR}/manifest/PlenviaHelper.manifest)
configure_file(src/app/win32/PlenviaHelper.manifest.in ${PV_MANIFEST} @ONLY)
set_source_files_properties(src/app/win32/PlenviaHelper.rc PROPERTIES OBJECT_DEPENDS ${PV_MANIFEST})
add_executable(PlenviaHelper WIN32 src/app/win32/WinMain.cpp src/app/win32/PlenviaHelper.rc)
target_include_directories(PlenviaHelper PRIVATE ${CMAKE_BINARY_DIR}/manifest)
target_compile_options(PlenviaHelper PRIVATE ${PV_SOURCE_WARNINGS})
target_link_options(PlenviaHelper PRIVATE -municode -static -static-libgcc -static-libstdc++)
target_link_libraries(PlenviaHelper PRIVATE pv_app)
set_target_properties(PlenviaHelper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

file(GLOB _tools CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*/CMakeLists.txt)
foreach(f IN LISTS _tools)
  get_filename_component(d ${f} DIRECTORY)
  add_subdirectory(${d})
endforeach()

enable_testing()
find_program(PV_PYTHON python3 REQUIRED)
file(GLOB _wine_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/test_*.py)
foreach(t IN LISTS _wine_tests)
  get_filename_component(name ${t} NAME_WE)
  add_test(NAME wine_${name} COMMAND ${PV_PYTHON} -m unittest -v ${name}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/wine)
  set_tests_properties(wine_${name} PROPERTIES LABELS wine TIMEOUT 900
                       ENVIRONMENT "PV_BUILD_DIR=${CMAKE_BINARY_DIR};PV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endforeach()

# The stand-in check: the i686 and x86_64 builds write the same archive. Only where both run, that
# is where the machine executes 32-bit code natively; scripts/test-all.sh then names the x86_64
# build in PV_COMPARE_WITH.
if(PV_COMPARE_WITH)
  add_test(NAME wine_compare_builds COMMAND ${PV_PYTHON} -m unittest -v compare_builds
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/wine)
  set_tests_properties(wine_compare_builds PROPERTIES LABELS wine TIMEOUT 900
                       ENVIRONMENT "PV_BUILD_DIR=${CMAKE_BINARY_DIR};PV_SOURCE_DIR=${CMAKE_SOURCE_DIR};PV_OTHER_BUILD_DIR=${PV_COMPARE_WITH}")
endif()

# The shipped exe's static checks (machine, subsystem, imports, manifest): no Wine needed.
add_test(NAME exe_static_checks
         COMMAND ${PV_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/check-exe.py
                 --machine ${CMAKE_SYSTEM_PROCESSOR} $<TARGET_FILE:PlenviaHelper>)
set_tests_properties(exe_static_checks PROPERTIES LABELS static)
# The manifest's supported systems and its Common Controls dependency.
add_test(NAME exe_manifest_checks
         COMMAND ${PV_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/check-manifest.py
                 $<TARGET_FILE:PlenviaHelper>)
set_tests_properties(exe_manifest_checks PROPERTIES LABELS static)
