# pvtriage: reads a received archive with libzip (an implementation independent of our writer) and
# turns its reports into findings. One static library per layer of src/triage/, linked downward
# only, like the exe's subsystems (the same table drives scripts/check-layers.py):
#   dump     the crash-dump decoder (pure functions over bytes)
#   model    the facts' types, the member list every reader hands over, shared text and dates
#   parse    one parser per report
#   analyse  crash links, findings, diff
#   render   text, JSON, HTML, timeline
#   read     the libzip loader: the only layer besides cli that needs libzip
#   cli      the program's entry point (src/triage/cli/)
# pv_triage_core is every layer but read and cli, and builds without libzip.
function(pv_triage_layer layer)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/triage/${layer}/*.cpp)
  add_library(pv_triage_${layer} STATIC ${_sources})
  target_compile_options(pv_triage_${layer} PRIVATE ${PV_SOURCE_WARNINGS})
  target_link_libraries(pv_triage_${layer} PUBLIC pv_platform)
  set(_lower platform)
  foreach(dep IN LISTS ARGN)
    target_link_libraries(pv_triage_${layer} PRIVATE pv_triage_${dep})
    list(APPEND _lower triage/${dep})
  endforeach()
  list(JOIN _lower "," _joined)
  set(PV_LAYERS ${PV_LAYERS} "triage/${layer}=${_joined}" PARENT_SCOPE)
endfunction()

pv_triage_layer(dump)
pv_triage_layer(model dump)
pv_triage_layer(parse model dump)
pv_triage_layer(analyse parse model dump)
pv_triage_layer(render analyse model dump)
add_library(pv_triage_core INTERFACE)
target_link_libraries(pv_triage_core INTERFACE pv_triage_dump pv_triage_model pv_triage_parse
                                               pv_triage_analyse pv_triage_render)
# The page's entry points (src/triage/web/, built by cmake/Web.cmake) sit on the core.
list(APPEND PV_LAYERS
     "triage/web=platform,triage/render,triage/analyse,triage/parse,triage/model,triage/dump")

if(EMSCRIPTEN)
  return()
endif()

find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
pv_triage_layer(read model)
target_link_libraries(pv_triage_read PUBLIC PkgConfig::LIBZIP ZLIB::ZLIB)
add_library(pv_triage INTERFACE)
target_link_libraries(pv_triage INTERFACE pv_triage_core pv_triage_read)
list(APPEND PV_LAYERS "triage/cli=platform,triage/read,triage/render,triage/analyse,triage/parse,\
triage/model,triage/dump")

file(GLOB _triage_cli CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/triage/cli/*.cpp)
add_executable(pvtriage ${_triage_cli})
target_compile_options(pvtriage PRIVATE ${PV_SOURCE_WARNINGS})
target_link_libraries(pvtriage PRIVATE pv_triage)
set_target_properties(pvtriage PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

enable_testing()
find_program(PV_PYTHON python3 REQUIRED)

# The layers' unit tests, one binary: tests/triage/<layer>/*_test.cpp, with the shared test
# helpers of tests/triage/ on the include path.
find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB_RECURSE _triage_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/triage/*_test.cpp)
add_executable(test_triage ${_triage_tests})
target_compile_options(test_triage PRIVATE ${PV_WARNINGS})
target_include_directories(test_triage PRIVATE ${CMAKE_SOURCE_DIR}/tests/triage)
target_compile_definitions(test_triage PRIVATE PV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/triage/data"
                                               PV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(test_triage PRIVATE pv_triage GTest::gtest_main GTest::gmock)
gtest_discover_tests(test_triage DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)

# The page's session (src/triage/web/WebSession.cpp) is portable: built and tested natively as
# well; only its C entry points (WebEntry.cpp) need Emscripten.
add_library(pv_triage_web STATIC ${CMAKE_SOURCE_DIR}/src/triage/web/WebSession.cpp)
target_compile_options(pv_triage_web PRIVATE ${PV_SOURCE_WARNINGS})
target_link_libraries(pv_triage_web PUBLIC pv_triage_core)
add_executable(test_web_session ${CMAKE_SOURCE_DIR}/tests/web/WebSession_test.cpp)
target_compile_options(test_web_session PRIVATE ${PV_WARNINGS})
target_compile_definitions(test_web_session PRIVATE
                           PV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/triage/data")
target_link_libraries(test_web_session PRIVATE pv_triage_web pv_triage GTest::gtest_main)
gtest_discover_tests(test_web_session DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)

# The program itself: exit codes, outputs on the tool's own archive and derived variants, hostile
# archives (tests/triage/cli_test.py), and the HTML page as headless Chromium draws it.
foreach(_suite cli_test cli_html_test cli_dump_test)
  add_test(NAME triage_${_suite} COMMAND ${PV_PYTHON} -m unittest -v ${_suite}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/triage)
  set_tests_properties(triage_${_suite} PROPERTIES LABELS native TIMEOUT 600
                       ENVIRONMENT "PVTRIAGE=$<TARGET_FILE:pvtriage>")
endforeach()
