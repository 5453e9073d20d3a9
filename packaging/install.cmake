# What `cmake --install` puts where, and the Debian package CPack builds from it (scripts/package).
#   bin/                                 talvix, talvix-cli, talvix-usb-emulator
#   lib/udev/rules.d/                    the rule that gives the user access to marked USB SPI cards
#   share/talvix/udev/                   the template of the rule that marks them (the card ids are
#                                        the installation's: talvix-cli udev-rules fills it in)
#   share/applications/                  the desktop file
#   share/icons/hicolor/{scalable,256x256}/apps/   the program's icon
include(GNUInstallDirs)

install(TARGETS talvix talvix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET talvix-usb-emulator)
  install(TARGETS talvix-usb-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# udev reads lib/udev/rules.d under the system prefix (/usr/lib/udev/rules.d on Debian).
install(FILES packaging/udev/70-talvix-usb-spi-access.rules DESTINATION lib/udev/rules.d)
install(FILES packaging/udev/60-talvix-usb-spi.rules.in
        DESTINATION ${CMAKE_INSTALL_DATADIR}/talvix/udev)
install(FILES packaging/talvix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/talvix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/talvix.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvix)
set(CPACK_PACKAGE_VENDOR "Talvix Evaluation Software developers")
set(CPACK_PACKAGE_CONTACT "Talvix Evaluation Software developers <talvix@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Evaluation program for the Talvix dual-axis accelerometer")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads the Talvix accelerometer live through a PC parallel port or a USB SPI card, charts \
its outputs, shows its status flags, configures event capture, alarms, sample rate, I/O lines, DAC \
and calibration, reads and writes any register by name and logs values to CSV files. Without \
hardware it runs on a built-in simulated sensor. talvix-cli does the same from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # talvix_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Declared by hand rather than computed from the binaries: talvix-usb-emulator links umockdev, which
# only the emulator needs, so it is a suggestion and not a dependency.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, qt6-qpa-plugins, libusb-1.0-0")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "umockdev, libumockdev0")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
