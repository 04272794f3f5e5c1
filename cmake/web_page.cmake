# The web page: its packages from the lock file (npm ci) and the bundle
# step, into the data folder beside the program; installed with it.
option(VENTISCOPE_WEB_PAGE "Build the web page with npm" ON)
find_program(VS_NPM npm)
find_program(VS_NODE node)
set(VENTISCOPE_WEB_MODULES ${CMAKE_BINARY_DIR}/web-modules)
set(VENTISCOPE_WEB_BUILT OFF)
if(VENTISCOPE_WEB_PAGE AND VS_NPM AND VS_NODE)
  add_custom_command(OUTPUT ${VENTISCOPE_WEB_MODULES}/node_modules/.package-lock.json
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VENTISCOPE_WEB_MODULES}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/package.json ${CMAKE_SOURCE_DIR}/web/package-lock.json
            ${VENTISCOPE_WEB_MODULES}
    COMMAND ${VS_NPM} ci --no-audit --no-fund --prefix ${VENTISCOPE_WEB_MODULES}
    DEPENDS ${CMAKE_SOURCE_DIR}/web/package.json ${CMAKE_SOURCE_DIR}/web/package-lock.json
    COMMENT "npm ci: the web page's packages, from the lock file")
  file(GLOB VS_WEB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/src/*)
  add_custom_target(web_page ALL
    COMMAND ${VS_NODE} ${CMAKE_SOURCE_DIR}/web/build.mjs ${VENTISCOPE_DATA_BUILD_DIR}/web
            ${VENTISCOPE_WEB_MODULES}/node_modules
    DEPENDS ${VENTISCOPE_WEB_MODULES}/node_modules/.package-lock.json ${VS_WEB_SOURCES} ${CMAKE_SOURCE_DIR}/web/build.mjs
    COMMENT "Building the web page")
  add_dependencies(web_page data_files)
  install(DIRECTORY ${VENTISCOPE_DATA_BUILD_DIR}/web DESTINATION ${CMAKE_INSTALL_DATADIR}/ventiscope)
  set(VENTISCOPE_WEB_BUILT ON)
else()
  message(STATUS "The web page is not built (npm or node not found, or VENTISCOPE_WEB_PAGE is off); "
                 "the program runs and says that the page is missing")
endif()
