# What `cmake --install` puts where, and the Debian packages CPack builds from it (scripts/package),
# one per install component:
#   talvix          bin/talvix, bin/talvix-cli and their manual pages
#                   lib/udev/rules.d/  the rule that gives the user access to marked USB SPI cards
#                   share/talvix/udev/ the template of the rule that marks them (the card ids are
#                                      the installation's: talvix-cli udev-rules fills it in)
#                   share/applications/, share/icons/hicolor/{scalable,256x256}/apps/
#   talvix-tools    bin/talvix-usb-emulator and its manual page (a test tool: it needs umockdev)
#   python3-talvix  the Python module, when the build has the install component "python"
# Each package carries its copyright file and changelog in share/doc/<package>/.
include(GNUInstallDirs)

set(TALVIX_DEBIAN_VERSION_RELEASE 1)  # the Debian revision: talvix_<version>-1
set(TALVIX_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(TALVIX_MAN_DIR ${CMAKE_BINARY_DIR}/man)

install(TARGETS talvix talvix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT talvix)
if(TARGET talvix-usb-emulator)
  install(TARGETS talvix-usb-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
# udev reads lib/udev/rules.d under the system prefix (/usr/lib/udev/rules.d on Debian).
install(FILES ${TALVIX_PACKAGING_DIR}/udev/70-talvix-usb-spi-access.rules
        DESTINATION lib/udev/rules.d COMPONENT talvix)
install(FILES ${TALVIX_PACKAGING_DIR}/udev/60-talvix-usb-spi.rules.in
        DESTINATION ${CMAKE_INSTALL_DATADIR}/talvix/udev COMPONENT talvix)
install(FILES ${TALVIX_PACKAGING_DIR}/talvix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT talvix)
install(FILES ${TALVIX_PACKAGING_DIR}/talvix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT talvix)
install(FILES ${TALVIX_PACKAGING_DIR}/talvix.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps COMPONENT talvix)

# Manual pages, made from each program's --help text when it is built (help2man), so that they
# cannot fall behind the programs. talvix-cli's page also carries every command's own help.
find_program(TALVIX_HELP2MAN help2man)
if(TALVIX_HELP2MAN)
  set(TALVIX_MAN_PAGES)
  function(talvix_man_page program component summary)
    set(page ${TALVIX_MAN_DIR}/${program}.1.gz)
    set(include ${TALVIX_PACKAGING_DIR}/man/${program}.h2m)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${TALVIX_MAN_DIR}
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
              -DSUMMARY=${summary} -DVERSION=${PROJECT_VERSION} -DINCLUDE=${include}
              -DCOMMANDS=${ARGN} -DOUTPUT=${TALVIX_MAN_DIR}
              -P ${TALVIX_PACKAGING_DIR}/man/make_man_page.cmake
      DEPENDS ${program} ${include} ${TALVIX_PACKAGING_DIR}/man/make_man_page.cmake
      COMMENT "Manual page of ${program}"
      VERBATIM)
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
    set(TALVIX_MAN_PAGES ${TALVIX_MAN_PAGES} ${page} PARENT_SCOPE)
  endfunction()
  talvix_man_page(talvix talvix "evaluation program for the Talvix accelerometer")
  talvix_man_page(talvix-cli talvix "the Talvix accelerometer from the command line" ON)
  if(TARGET talvix-usb-emulator)
    talvix_man_page(talvix-usb-emulator tools "run a command with simulated USB SPI cards")
  endif()
  add_custom_target(talvix_man_pages ALL DEPENDS ${TALVIX_MAN_PAGES})
else()
  message(WARNING "help2man not found: no manual pages (scripts/install-deps installs it)")
endif()

# The package's component, when the build has it: talvix and tools always, python when the Python
# module is built (its install() calls say COMPONENT python).
get_cmake_property(TALVIX_INSTALL_COMPONENTS COMPONENTS)
set(TALVIX_PACKAGES talvix)
if(tools IN_LIST TALVIX_INSTALL_COMPONENTS)
  list(APPEND TALVIX_PACKAGES tools)
endif()
if(python IN_LIST TALVIX_INSTALL_COMPONENTS)
  list(APPEND TALVIX_PACKAGES python)
endif()

# The Debian changelog, compressed as Debian wants it (no name or time stamp in the gzip header, so
# that the package is reproducible).
set(TALVIX_CHANGELOG ${TALVIX_PACKAGING_DIR}/debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TALVIX_CHANGELOG})
execute_process(COMMAND gzip -9 -n -c ${TALVIX_CHANGELOG}
                OUTPUT_FILE ${CMAKE_BINARY_DIR}/changelog.Debian.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot compress ${TALVIX_CHANGELOG}")
endif()

set(CPACK_DEBIAN_TALVIX_PACKAGE_NAME talvix)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME talvix-tools)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-talvix)
foreach(component IN LISTS TALVIX_PACKAGES)
  string(TOUPPER ${component} upper)
  install(FILES ${TALVIX_PACKAGING_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
          COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${TALVIX_PACKAGES})
set(CPACK_PACKAGE_NAME talvix)
set(CPACK_PACKAGE_VENDOR "Talvix developers")
set(CPACK_PACKAGE_CONTACT "Talvix developers <dev@talvix.org>")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TALVIX_DEBIAN_VERSION_RELEASE})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # talvix_<version>-1_<arch>.deb, talvix-tools_...
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries each program links, as dpkg-shlibdeps finds them; what it cannot see is added below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)

# Descriptions: the first line is the synopsis; the others, at most 80 characters, the long text.
set(CPACK_DEBIAN_TALVIX_DESCRIPTION
    "evaluation program for the Talvix dual-axis accelerometer
Reads the Talvix accelerometer live through a PC parallel port or a USB SPI
card, charts its outputs, shows its status flags, configures event capture,
alarms, sample rate, I/O lines, DAC and calibration, reads and writes any
register by name and logs values to CSV files. Without hardware it runs on a
built-in simulated sensor.
.
talvix-cli does the same from scripts, and its selftest command checks a
bench: the interface, the card, the sensor's identification, a register written
and restored, the timing and the supply.")
set(CPACK_DEBIAN_TALVIX_PACKAGE_SECTION electronics)
# The platform plugins load at run time: no binary names them.
set(CPACK_DEBIAN_TALVIX_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_TALVIX_PACKAGE_SUGGESTS "talvix-tools")
set(CPACK_DEBIAN_TALVIX_PACKAGE_CONTROL_EXTRA ${TALVIX_PACKAGING_DIR}/debian/postinst)

set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "simulated USB SPI cards for the Talvix evaluation programs
talvix-usb-emulator plugs simulated USB SPI cards, each with a simulated Talvix
accelerometer, into an emulated USB bus (umockdev) and runs a command on it, so
that talvix and talvix-cli reach them through their real USB path. A test tool
for benches and continuous integration without hardware.")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
# umockdev's preload library is loaded through LD_PRELOAD, which no binary names.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "umockdev")
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "talvix")

set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "Python module for the Talvix dual-axis accelerometer
The module talvix reads and writes the Talvix accelerometer's registers, logs
its values and takes event captures from Python, through a PC parallel port, a
USB SPI card or the built-in simulated sensor, with the same logic as
talvix-cli.")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, python3-numpy")
include(CPack)
