# pvtriage: reads a received archive with libzip (an implementation independent of our writer) and
# turns its reports into findings. The parsers in src/triage/ are pure; the program's entry point
# lives in src/triage/cli/.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
target_link_libraries(pv_triage PUBLIC PkgConfig::LIBZIP ZLIB::ZLIB)

file(GLOB _triage_cli CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/triage/cli/*.cpp)
if(_triage_cli)
  add_executable(pvtriage ${_triage_cli})
  target_compile_options(pvtriage PRIVATE ${PV_SOURCE_WARNINGS})
  target_link_libraries(pvtriage PRIVATE pv_triage)
  set_target_properties(pvtriage PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The program itself: exit codes, outputs on the tool's own archive and derived variants, hostile
# archives (tests/triage/cli_test.py), and the HTML page as headless Chromium draws it.
if(TARGET pvtriage)
  enable_testing()
  find_program(PV_PYTHON python3 REQUIRED)
  foreach(_suite cli_test cli_html_test)
    add_test(NAME triage_${_suite} COMMAND ${PV_PYTHON} -m unittest -v ${_suite}
             WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/triage)
    set_tests_properties(triage_${_suite} PROPERTIES LABELS native TIMEOUT 600
                         ENVIRONMENT "PVTRIAGE=$<TARGET_FILE:pvtriage>")
  endforeach()
endif()
