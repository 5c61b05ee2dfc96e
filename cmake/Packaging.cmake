# Installation layout and the Debian package (`make deb`): the program, its service unit and user,
# the udev rule for the HID box, the desktop entry, the man page and the Prometheus rules.
include(GNUInstallDirs)

set(PKG ${PROJECT_SOURCE_DIR}/packaging)
install(TARGETS sonivex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Debian 12 keeps units and udev rules under /lib; sysusers entries under /usr/lib.
install(FILES ${PKG}/sonivex.service DESTINATION /lib/systemd/system)
install(FILES ${PKG}/70-sonivex.rules DESTINATION /lib/udev/rules.d)
install(FILES ${PKG}/sonivex.sysusers DESTINATION lib/sysusers.d RENAME sonivex.conf)
install(FILES ${PKG}/sonivex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PKG}/sonivex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages and the changelog go compressed, as Debian expects.
set(GZ ${CMAKE_BINARY_DIR}/packaging)
add_custom_command(OUTPUT ${GZ}/sonivex.1.gz ${GZ}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GZ}
    COMMAND gzip -9n -c ${PKG}/sonivex.1 > ${GZ}/sonivex.1.gz
    COMMAND gzip -9n -c ${PKG}/changelog > ${GZ}/changelog.gz
    DEPENDS ${PKG}/sonivex.1 ${PKG}/changelog)
add_custom_target(packaging_files ALL DEPENDS ${GZ}/sonivex.1.gz ${GZ}/changelog.gz)
install(FILES ${GZ}/sonivex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${GZ}/changelog.gz ${PKG}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(EXISTS ${PKG}/prometheus)
    install(DIRECTORY ${PKG}/prometheus/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/prometheus
            FILES_MATCHING PATTERN "*.yml")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonivex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "sonivex developers <sonivex@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "silence monitor for broadcast audio")
set(CPACK_PACKAGE_DESCRIPTION "sonivex watches up to eight audio inputs and raises the alarm
when one stays silent too long: alert button, USB HID relay and serial
latch outputs, alarm tone, filler playback, log and e-mail. It runs
with a window or headless as a systemd service.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PKG}/postinst;${PKG}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
