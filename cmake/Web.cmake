# The pvtriage page (preset web, Emscripten): the triage core compiled to WebAssembly behind the
# C interface in src/triage/web/, embedded with zip.js and the page's script into one
# self-contained build/web/reader/index.html that works from file:// and from any static server.
# The npm packages (the ZIP reader, and puppeteer-core for the browser test) come from
# web/package-lock.json through `npm ci` inside this build directory.
find_program(PV_NODE NAMES node nodejs REQUIRED)
find_program(PV_NPM npm REQUIRED)

# Debian's emscripten runs its JS optimizer with the machine's node, which finds Debian's acorn
# only through NODE_PATH when that node is not Debian's own.
if(EXISTS /usr/share/nodejs AND NOT "$ENV{NODE_PATH}" MATCHES "/usr/share/nodejs")
  set(ENV{NODE_PATH} "/usr/share/nodejs")
endif()
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")

add_compile_options(-fexceptions)

# The core: the layers of cmake/Triage.cmake (which stops before read and cli under Emscripten),
# on the portable platform code. No threads: the page runs the core on its one thread.
file(GLOB _platform CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/*.cpp)
add_library(pv_platform STATIC ${_platform})
target_include_directories(pv_platform PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(pv_platform PRIVATE ${PV_SOURCE_WARNINGS})
set(PV_LAYERS)
include(${CMAKE_SOURCE_DIR}/cmake/Triage.cmake)

set(PV_WEB_EXPORTS
    _malloc _free _pv_session_new _pv_session_free _pv_buffer _pv_member_add _pv_directory_failed
    _pv_read_next _pv_read_done _pv_analyse _pv_output _pv_diff _pv_output_length)
list(JOIN PV_WEB_EXPORTS "," _exports)
file(GLOB _web_entry CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/triage/web/*.cpp)
add_executable(pvtriage_core ${_web_entry})
target_compile_options(pvtriage_core PRIVATE ${PV_SOURCE_WARNINGS})
target_link_libraries(pvtriage_core PRIVATE pv_triage_core)
target_link_options(pvtriage_core PRIVATE
  -fexceptions -sMODULARIZE=1 -sEXPORT_NAME=createPvTriage -sSINGLE_FILE=1 -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2147483648 -sDYNAMIC_EXECUTION=0
  -sFILESYSTEM=0 -sEXPORTED_FUNCTIONS=${_exports})
set_target_properties(pvtriage_core PROPERTIES SUFFIX ".js")

# npm ci into this build directory only, from the lock file.
set(PV_NPM_DIR ${CMAKE_BINARY_DIR}/npm)
set(PV_NPM_STAMP ${PV_NPM_DIR}/node_modules/.package-lock.json)
add_custom_command(
  OUTPUT ${PV_NPM_STAMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PV_NPM_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/package.json
          ${CMAKE_SOURCE_DIR}/web/package-lock.json ${PV_NPM_DIR}
  COMMAND ${PV_NPM} ci --ignore-scripts --no-audit --no-fund --loglevel=error
  WORKING_DIRECTORY ${PV_NPM_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/web/package.json ${CMAKE_SOURCE_DIR}/web/package-lock.json
  COMMENT "npm ci (web/package-lock.json)")

set(PV_ZIPJS ${PV_NPM_DIR}/node_modules/@zip.js/zip.js/dist/zip-native.min.js)
set(PV_PAGE ${CMAKE_BINARY_DIR}/reader/index.html)
add_custom_command(
  OUTPUT ${PV_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/reader
  COMMAND ${PV_NODE} ${CMAKE_SOURCE_DIR}/web/assemble.mjs ${CMAKE_SOURCE_DIR}/web/index.html
          ${PV_PAGE} ${PV_ZIPJS} $<TARGET_FILE:pvtriage_core> ${CMAKE_SOURCE_DIR}/web/page.js
  DEPENDS ${PV_NPM_STAMP} pvtriage_core ${CMAKE_SOURCE_DIR}/web/index.html
          ${CMAKE_SOURCE_DIR}/web/page.js ${CMAKE_SOURCE_DIR}/web/assemble.mjs
  COMMENT "Assembling reader/index.html")
add_custom_target(pvtriage_page ALL DEPENDS ${PV_PAGE})

# The browser test: Debian's chromium headless through puppeteer-core, against the native
# pvtriage of the host build (PV_PVTRIAGE) on the same archives.
set(PV_PVTRIAGE "${CMAKE_SOURCE_DIR}/build/host/pvtriage" CACHE FILEPATH "native pvtriage to compare with")
find_program(PV_PYTHON python3 REQUIRED)
find_program(PV_CHROMIUM NAMES chromium chromium-browser REQUIRED)
enable_testing()
add_test(NAME web_page COMMAND ${PV_PYTHON} -m unittest -v page_test
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/web)
set_tests_properties(web_page PROPERTIES LABELS web TIMEOUT 900 ENVIRONMENT
  "PVTRIAGE=${PV_PVTRIAGE};PV_PAGE=${PV_PAGE};PV_NODE=${PV_NODE};PV_CHROMIUM=${PV_CHROMIUM};NODE_PATH=${PV_NPM_DIR}/node_modules")
