# `make package` (the `package` target, cpack): one Debian package, tqusb,
# with everything `make install` puts into /usr, plus what only a system
# package installs: /etc/tqusb/devices.conf (a conffile, so local edits
# survive upgrades) and the Debian copyright and changelog files.
set(TQUSB_PACKAGE_MAINTAINER "tqusb authors <tqusb@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

# Files for the package only: an install component left out of `make install`.
set(TQUSB_DEB_DIR ${PROJECT_BINARY_DIR}/deb)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/devices.conf DESTINATION /etc/tqusb
        COMPONENT deb EXCLUDE_FROM_ALL)
file(WRITE ${TQUSB_DEB_DIR}/conffiles "/etc/tqusb/devices.conf\n")

# copyright in Debian's machine-readable format: the LICENSE text indented,
# blank lines as " .".
file(READ ${CMAKE_SOURCE_DIR}/LICENSE license)
string(STRIP "${license}" license)
string(REGEX REPLACE "\n[ \t]*\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license "${license}")
file(WRITE ${TQUSB_DEB_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: tqusb\n\nFiles: *\nCopyright: 2026 the tqusb authors\nLicense: Expat\n"
  " ${license}\n")

# A native package's changelog.gz in Debian's format; the changes themselves
# are in CHANGELOG.md beside it.
string(TIMESTAMP TQUSB_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${TQUSB_DEB_DIR}/changelog
  "tqusb (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
  "  * Version ${PROJECT_VERSION}; the changes are in CHANGELOG.md.\n\n"
  " -- ${TQUSB_PACKAGE_MAINTAINER}  ${TQUSB_PACKAGE_DATE}\n")
execute_process(COMMAND gzip -9nkf ${TQUSB_DEB_DIR}/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${TQUSB_DEB_DIR}/copyright ${TQUSB_DEB_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tqusb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TQUSB_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "driver library for cooled astronomical USB cameras")
set(CPACK_PACKAGE_DESCRIPTION
  "libtqusb drives cooled CCD and CMOS cameras through a flat C interface:
exposures and readout, cooling, filter wheel, guide port and GPS. The package
holds the library and its development files, the capture tool tqcam, the
camera simulator tqsim, the INDI driver indi_tqusb_ccd, the Alpaca server
tqalpaca, the USB device table
and the udev rule that gives the logged-in user access to the cameras.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${TQUSB_DEB_DIR}/conffiles)
if(TARGET indi_tqusb_ccd)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS indi-bin)
endif()
set(CPACK_STRIP_FILES ON)
# Every component in one package; "Unspecified" is everything `make install`
# installs.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified deb)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
