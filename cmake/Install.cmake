# Install rules: the tools with their man pages, the window helper, the core
# library with its headers, a CMake package (find_package(vexlor) gives
# vexlor::core) and a pkg-config file (vexlor.pc); and a Debian package of
# all that (cpack -G DEB).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS vexlor vexlor-batch vexlor-card vexlor-nearest vexlor-groups RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Found by vexlor at ../libexec/vexlor/ from its own folder.
install(TARGETS vexlor-window vexlor-svg-renderer RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vexlor)
install(TARGETS vexlor-imaging LIBRARY DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vexlor)
install(FILES man/vexlor.1 man/vexlor-batch.1 man/vexlor-card.1 man/vexlor-nearest.1 man/vexlor-groups.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(TARGETS vexlor_core EXPORT vexlorTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/vexlor DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(VEXLOR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vexlor)
install(EXPORT vexlorTargets NAMESPACE vexlor:: DESTINATION ${VEXLOR_CMAKE_DIR})
configure_package_config_file(cmake/vexlorConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vexlorConfig.cmake INSTALL_DESTINATION ${VEXLOR_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vexlorConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vexlorConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/vexlorConfigVersion.cmake
              cmake/OpenCVModules.cmake
        DESTINATION ${VEXLOR_CMAKE_DIR})

# Relocatable: the prefix is found from where the .pc file lies.
file(RELATIVE_PATH VEXLOR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/vexlor.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vexlor.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vexlor.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_PACKAGE_NAME vexlor)
set(CPACK_PACKAGE_VENDOR vexlor)
set(CPACK_PACKAGE_CONTACT "vexlor developers <vexlor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "icon descriptors of 416 numbers, reproducible to the last digit")
set(CPACK_PACKAGE_DESCRIPTION
    "vexlor turns a small colour image, an icon, into a fixed descriptor of 416 numbers and records it as one line of a plain-text results file, for building icon and logo recognition data sets. Includes vexlor, vexlor-batch, the C++ library with its CMake and pkg-config files, and the Python module.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Runtime libraries found from the binaries; the module needs numpy.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-numpy")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libopencv-imgcodecs-dev, libopencv-imgproc-dev, libopencv-core-dev")
set(CPACK_GENERATOR DEB)
include(CPack)
