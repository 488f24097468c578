# What `cmake --install` (and `make install PREFIX=...`) puts into a prefix:
#   lib/libtqusb.so.X.Y.Z with its SONAME link libtqusb.so.X and libtqusb.so
#   include/tqusb/*.h (with the generated version.h)
#   lib/pkgconfig/tqusb.pc
#   lib/cmake/tqusb/ (find_package(tqusb) -> tqusb::tqusb)
#   bin/tqsim and share/tqusb/cameras.json, its default camera file
#   share/doc/tqusb/ (README, LICENSE, CHANGELOG, the examples)
# Programs in tools/ and indi/ add themselves with install(TARGETS ...).
include(CMakePackageConfigHelpers)

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

install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY examples DESTINATION ${CMAKE_INSTALL_DOCDIR}
  FILES_MATCHING PATTERN "*.c" PATTERN "*.cpp" PATTERN "CMakeLists.txt")
