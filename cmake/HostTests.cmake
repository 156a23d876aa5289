# One GoogleTest binary per tests/<sub>/ folder; every test is registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB _test_dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*)
foreach(dir IN LISTS _test_dirs)
  if(NOT IS_DIRECTORY ${dir})
    continue()
  endif()
  get_filename_component(name ${dir} NAME)
  file(GLOB _tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT _tests)
    continue()
  endif()
  add_executable(test_${name} ${_tests})
  target_compile_options(test_${name} PRIVATE ${PV_WARNINGS})
  target_compile_definitions(test_${name} PRIVATE PV_TEST_DATA_DIR="${dir}/data"
                                                  PV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(test_${name} PRIVATE pvlib GTest::gtest_main GTest::gmock)
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
endforeach()

# Optional extras (benchmarks, fuzzers) that need only portable code.
file(GLOB _extras CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*/CMakeLists.txt
     ${CMAKE_SOURCE_DIR}/fuzz/*/CMakeLists.txt)
foreach(f IN LISTS _extras)
  get_filename_component(d ${f} DIRECTORY)
  add_subdirectory(${d})
endforeach()
