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
