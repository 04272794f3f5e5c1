# Installation into the places a Debian system expects, and the Debian
# package made from it with CPack (cpack -G DEB).
include(GNUInstallDirs)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ventiscope
        PATTERN "debian" EXCLUDE
        PATTERN "service" EXCLUDE
        PATTERN "*.desktop" EXCLUDE
        PATTERN "*.metainfo.xml" EXCLUDE
        PATTERN "70-ventiscope.rules" EXCLUDE
        PATTERN "ventiscope.service" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/data/70-ventiscope.rules DESTINATION lib/udev/rules.d)
install(FILES ${CMAKE_SOURCE_DIR}/data/ventiscope.service DESTINATION lib/systemd/system)
# The service's settings and the rotation of its value log: conffiles.
install(FILES ${CMAKE_SOURCE_DIR}/data/service/Ventiscope.ini DESTINATION /etc/ventiscope)
install(FILES ${CMAKE_SOURCE_DIR}/data/service/ventiscope.logrotate DESTINATION /etc/logrotate.d RENAME ventiscope)
install(FILES ${CMAKE_SOURCE_DIR}/data/service/ventiscope-modules.conf DESTINATION lib/modules-load.d
        RENAME ventiscope.conf)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/ventiscope.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/org.ventiscope.Ventiscope.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/icons/${size}x${size}/ventiscope.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/ventiscope.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The package's own documents: copyright and the compressed changelog.
set(VS_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${VS_CHANGELOG_GZ}
                   COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/data/debian/changelog > ${VS_CHANGELOG_GZ}
                   DEPENDS ${CMAKE_SOURCE_DIR}/data/debian/changelog)
add_custom_target(package_changelog ALL DEPENDS ${VS_CHANGELOG_GZ})
set(VS_MANPAGE_GZ ${CMAKE_BINARY_DIR}/ventiscope.1.gz)
add_custom_command(OUTPUT ${VS_MANPAGE_GZ}
                   COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/data/debian/ventiscope.1 > ${VS_MANPAGE_GZ}
                   DEPENDS ${CMAKE_SOURCE_DIR}/data/debian/ventiscope.1)
add_custom_target(package_manpage ALL DEPENDS ${VS_MANPAGE_GZ})
install(FILES ${CMAKE_SOURCE_DIR}/data/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ventiscope)
install(FILES ${VS_CHANGELOG_GZ} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ventiscope)
install(FILES ${VS_MANPAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ventiscope)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Ventiscope developers <ventiscope@ventiscope.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor for USB indoor-air-quality sensor sticks")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ventiscope shows what USB air-quality sensor sticks measure as one live
trend plot, warns when the air gets bad (plot marks, tray balloons, sounds
and a traffic-light window), logs every sample to a tab-separated file,
downloads the recordings a stick made on its own, edits the stick's knobs
and flags, and shares sticks between two computers over TCP. It also runs
as a headless systemd service that publishes to MQTT (with Home Assistant
discovery) and serves Prometheus metrics.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ventiscope.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/data/debian/postinst ${CMAKE_SOURCE_DIR}/data/debian/prerm
    ${CMAKE_SOURCE_DIR}/data/debian/postrm ${CMAKE_SOURCE_DIR}/data/debian/conffiles)
# The maintainer scripts use deb-systemd-helper and deb-systemd-invoke.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "init-system-helpers (>= 1.54~)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
