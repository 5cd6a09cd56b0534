# What an install puts where, the CMake package and pkg-config file that let other projects use
# the installed library, and the Debian packages made of it.
include(CMakePackageConfigHelpers)

# The library's own folder holds the DataFile folder its version lookup searches: on Windows the
# DLL's folder, elsewhere the library folder.
if(WIN32)
  set(VQDF_LIBRARY_FOLDER ${CMAKE_INSTALL_BINDIR})
else()
  set(VQDF_LIBRARY_FOLDER ${CMAKE_INSTALL_LIBDIR})
endif()

install(TARGETS vqDataFileReader EXPORT vqDataFileReaderTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
    NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY examples/DataFile DESTINATION ${VQDF_LIBRARY_FOLDER} COMPONENT runtime)
install(FILES include/vqDataFileReader.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development)

set(VQDF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vqDataFileReader)
install(EXPORT vqDataFileReaderTargets NAMESPACE vqDataFileReader:: DESTINATION ${VQDF_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(cmake/vqDataFileReaderConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vqDataFileReaderConfig.cmake INSTALL_DESTINATION ${VQDF_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vqDataFileReaderConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vqDataFileReaderConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/vqDataFileReaderConfigVersion.cmake
  DESTINATION ${VQDF_CMAKE_DIR} COMPONENT development)

file(RELATIVE_PATH VQDF_PREFIX_FROM_PKGCONFIG ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VQDF_PREFIX_FROM_PKGCONFIG "${VQDF_PREFIX_FROM_PKGCONFIG}")
configure_file(cmake/vqDataFileReader.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vqDataFileReader.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vqDataFileReader.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

if(TARGET vqdf)
  install(TARGETS vqdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  install(FILES docs/vqdf.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
  install(FILES tools/vqdf/vqdf.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME vqdf COMPONENT tool)
endif()

# Debian packages, one per component: cpack -G DEB in the build folder. Only for this project's
# own build: a project that adds this one makes packages of its own.
if(NOT VQDF_TOP_LEVEL)
  return()
endif()
set(CPACK_PACKAGE_NAME vqdatafilereader)
set(CPACK_PACKAGE_VENDOR "vqDataFileReader developers")
set(CPACK_PACKAGE_CONTACT "vqDataFileReader developers <vqdf@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reads drive data files of the JSON and legacy formats")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvqdatafilereader${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvqdatafilereader-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME vqdf)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "vqDataFileReader, the library that reads drive data files, with the example DataFile folder")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "vqDataFileReader's header, CMake package and pkg-config file")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
set(CPACK_COMPONENT_TOOL_DESCRIPTION
  "vqdf, which shows, dumps, checks, converts and compares drive data files")
set(CPACK_COMPONENTS_ALL runtime development)
if(TARGET vqdf)
  list(APPEND CPACK_COMPONENTS_ALL tool)
endif()
include(CPack)
