# Debian packages with CPack: korvul (program, korvul-read, drivers, language modules, help, desktop
# entry, icon, AppStream metadata, manual pages) and korvul-devsim (the simulator). scripts/package
# builds them into build/packages/. Library dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvul)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The korvul developers")
set(CPACK_PACKAGE_CONTACT "The korvul developers <korvul@korvul.org>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL program devsim)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://korvul.org/)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME korvul)
# The window needs a Qt platform plugin (xcb or wayland), which no library links to.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "korvul-devsim")
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
"read out and configure metering field devices over a serial line
korvul reads out and sets up metering field devices (data loggers, volume
correctors and their communication modules) over a serial line, directly or
through a Hayes modem: identify the device, show and edit its common data, read
its archive into files and its live process data into a table, set its clock,
configure it and maintain its module. korvul-read does the readouts without a
window, for scripts and cron.
.
The serial ports (/dev/ttyS*, /dev/ttyUSB*) belong to the group dialout: add
your user to it (adduser USER dialout) and log in again before the first
connection. The package changes no groups itself.")

set(CPACK_DEBIAN_DEVSIM_PACKAGE_NAME korvul-devsim)
set(CPACK_DEBIAN_DEVSIM_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_DEVSIM_DESCRIPTION
"metering field device simulator for korvul
devsim simulates a metering field device of the QT family on a pseudo-terminal
or a serial port, with an optional Hayes modem in front of it and faults to
inject. It is the test bench and demo device of korvul.")

include(CPack)
