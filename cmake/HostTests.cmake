# One GoogleTest binary per tests/<sub>/ folder, linked to that subsystem's library; every test is
# registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB _test_dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*)
foreach(dir IN LISTS _test_dirs)
  if(NOT IS_DIRECTORY ${dir})
    continue()
  endif()
  get_filename_component(name ${dir} NAME)
  file(GLOB _tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  # Folders without a subsystem library of their name (tests/web: the page's session) or whose
  # binary is declared with its own library set (cmake/Triage.cmake) are built there.
  if(NOT _tests OR NOT TARGET pv_${name} OR TARGET test_${name})
    continue()
  endif()
  add_executable(test_${name} ${_tests})
  target_compile_options(test_${name} PRIVATE ${PV_WARNINGS})
  target_compile_definitions(test_${name} PRIVATE PV_TEST_DATA_DIR="${dir}/data"
                                                  PV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(test_${name} PRIVATE pv_${name} GTest::gtest_main GTest::gmock)
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
endforeach()

# Every `#include "<sub>/..."` in src/ goes to the subsystem itself or to one it links to.
find_program(PV_PYTHON python3 REQUIRED)
add_test(NAME check_layers
         COMMAND ${PV_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/check-layers.py --src ${CMAKE_SOURCE_DIR}/src
                 ${PV_LAYERS})
add_test(NAME check_layers_script COMMAND ${PV_PYTHON} -m unittest -v check_layers_test
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/scripts)
add_test(NAME wine_vehicle_script COMMAND ${PV_PYTHON} -m unittest -v wine_vehicle_test
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/scripts)
add_test(NAME vista_imports_script COMMAND ${PV_PYTHON} -m unittest -v vista_imports_test
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/scripts)
set_tests_properties(check_layers check_layers_script wine_vehicle_script vista_imports_script
                     PROPERTIES LABELS native)

# Optional extras (benchmarks, fuzzers) that need only portable code.
file(GLOB _extras CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*/CMakeLists.txt
     ${CMAKE_SOURCE_DIR}/fuzz/*/CMakeLists.txt)
foreach(f IN LISTS _extras)
  get_filename_component(d ${f} DIRECTORY)
  add_subdirectory(${d})
endforeach()
