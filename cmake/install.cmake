# What `cmake --install` (and `make install PREFIX=...`) puts into a prefix:
#   lib/libtqusb.so.X.Y.Z with its SONAME link libtqusb.so.X and libtqusb.so
#   include/tqusb/*.h (with the generated version.h)
#   lib/pkgconfig/tqusb.pc
#   lib/cmake/tqusb/ (find_package(tqusb) -> tqusb::tqusb)
#   bin/tqsim and share/tqusb/cameras.json, its default camera file
#   share/indi/indi_tqusb.xml, the driver's entry for INDI clients
#   share/man/man1/ (tqsim, tqcam, tqalpaca, indi_tqusb_ccd)
#   share/tqusb/devices.conf and lib/udev/rules.d/70-tqusb.rules, the USB
#     device table and the rule that gives the user access to its devices
#   share/doc/tqusb/ (README, LICENSE, CHANGELOG, the examples, sim/ and
#     tqcam/ READMEs)
# Programs in tools/, alpaca/ and indi/ add themselves with install(TARGETS ...); they
# find the library through their RUNPATH ($ORIGIN/../lib), the library needs
# none.
include(CMakePackageConfigHelpers)

set_target_properties(tqusb PROPERTIES INSTALL_RPATH "")
install(TARGETS tqusb EXPORT tqusbTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/tqusb ${PROJECT_BINARY_DIR}/include/tqusb
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")

set(TQUSB_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tqusb)
install(EXPORT tqusbTargets NAMESPACE tqusb:: DESTINATION ${TQUSB_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/tqusbConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tqusbConfig.cmake INSTALL_DESTINATION ${TQUSB_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tqusbConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tqusbConfig.cmake ${PROJECT_BINARY_DIR}/tqusbConfigVersion.cmake
  DESTINATION ${TQUSB_CMAKE_DIR})

# The pkg-config file finds its prefix from its own place, so the installed
# tree may be moved (DESTDIR, cmake --install --prefix).
file(RELATIVE_PATH TQUSB_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
string(REGEX REPLACE "/$" "" TQUSB_PC_TO_PREFIX "${TQUSB_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/tqusb.pc.in ${PROJECT_BINARY_DIR}/tqusb.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tqusb.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET tqsim)
  install(TARGETS tqsim)
  install(FILES ${CMAKE_SOURCE_DIR}/sim/cameras.json DESTINATION ${CMAKE_INSTALL_DATADIR}/tqusb)
endif()

# INDI clients (KStars, ...) list the drivers described in share/indi.
if(TARGET indi_tqusb_ccd)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/indi_tqusb.xml.in
                 ${PROJECT_BINARY_DIR}/indi_tqusb.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/indi_tqusb.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/indi)
endif()

# Man pages carry the version and are installed compressed, as man reads
# them and Debian packages ship them.
foreach(program tqsim tqcam tqalpaca indi_tqusb_ccd)
  if(TARGET ${program})
    configure_file(${CMAKE_SOURCE_DIR}/man/${program}.1 ${PROJECT_BINARY_DIR}/man/${program}.1 @ONLY)
    execute_process(COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/man/${program}.1 COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${PROJECT_BINARY_DIR}/man/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# The USB device table and its udev rule. udev reads rules from
# /usr/lib/udev/rules.d and /usr/local/lib/udev/rules.d; under other prefixes
# the rule is a copy to put into /etc/udev/rules.d. The Debian package also
# installs the table as /etc/tqusb/devices.conf (cmake/package.cmake).
install(FILES ${CMAKE_SOURCE_DIR}/packaging/devices.conf DESTINATION ${CMAKE_INSTALL_DATADIR}/tqusb)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/70-tqusb.rules DESTINATION lib/udev/rules.d)

install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES sim/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/sim)
install(FILES tools/tqcam/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/tqcam)
install(DIRECTORY examples DESTINATION ${CMAKE_INSTALL_DOCDIR}
  FILES_MATCHING PATTERN "*.c" PATTERN "*.cpp" PATTERN "CMakeLists.txt")
