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
if(NOT WIN32 AND CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  # As a distribution lays it out: the data files in an architecture-independent folder that a
  # data-file package or the administrator fills, and the DataFile folder beside the library, where
  # the library looks, a link to it.
  set(VQDF_SHARED_DATAFILE_DIR ${CMAKE_INSTALL_DATADIR}/vqdatafilereader/DataFile)
  install(DIRECTORY examples/DataFile/ DESTINATION ${VQDF_SHARED_DATAFILE_DIR} COMPONENT runtime)
  file(RELATIVE_PATH VQDF_DATAFILE_LINK /usr/${VQDF_LIBRARY_FOLDER} /usr/${VQDF_SHARED_DATAFILE_DIR})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
  file(CREATE_LINK ${VQDF_DATAFILE_LINK} ${CMAKE_CURRENT_BINARY_DIR}/packaging/DataFile SYMBOLIC)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/DataFile DESTINATION ${VQDF_LIBRARY_FOLDER}
    COMPONENT runtime)
else()
  install(DIRECTORY examples/DataFile DESTINATION ${VQDF_LIBRARY_FOLDER} COMPONENT runtime)
endif()
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
  # The manual page compressed, without the time in the gzip header, so that it is the same on
  # every build.
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/packaging/vqdf.1.gz
    COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/docs/vqdf.1 > ${CMAKE_CURRENT_BINARY_DIR}/packaging/vqdf.1.gz
    DEPENDS docs/vqdf.1)
  add_custom_target(vqdf_manual_page ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/vqdf.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/vqdf.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
  install(FILES tools/vqdf/vqdf.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME vqdf COMPONENT tool)
endif()

# Debian packages, one per component: cpack -G DEB in a build configured with the /usr prefix,
# which puts the library in the multiarch folder. Only for this project's own build: a project
# that adds this one makes packages of its own.
if(NOT VQDF_TOP_LEVEL)
  return()
endif()

# The maintainer of every package, its changelog entry and its copyright file: set here only.
set(VQDF_MAINTAINER "vqDataFileReader maintainers <maintainers@vqdatafilereader.dev>")
set(VQDF_PACKAGE_VERSION ${PROJECT_VERSION})

set(VQDF_PACKAGES runtime libvqdatafilereader${PROJECT_VERSION_MAJOR}
                  development libvqdatafilereader-dev)
if(TARGET vqdf)
  list(APPEND VQDF_PACKAGES tool vqdf)
endif()
if(TARGET _vqdf)
  list(APPEND VQDF_PACKAGES python python3-vqdf)
endif()

# Every package's copyright file, changelog and the lintian overrides it needs, in its own doc
# folder.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
configure_file(packaging/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog)
set(CPACK_COMPONENTS_ALL)
while(VQDF_PACKAGES)
  list(POP_FRONT VQDF_PACKAGES component package)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
  install(FILES packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/lintian/${package})
    install(FILES packaging/lintian/${package}
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component})
  endif()
endwhile()

set(CPACK_PACKAGE_NAME vqdatafilereader)
set(CPACK_PACKAGE_VENDOR "vqDataFileReader developers")
set(CPACK_PACKAGE_CONTACT ${VQDF_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VQDF_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${VQDF_PACKAGE_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The binaries stripped, their debugging symbols in a -dbgsym package each.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
# The loader runs ldconfig on the trigger, as every library package of the distribution does.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/packaging/triggers)
# The module is built for one version of the interpreter.
math(EXPR VQDF_PYTHON_NEXT "${Python3_VERSION_MINOR} + 1")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), python3 (<< ${Python3_VERSION_MAJOR}.${VQDF_PYTHON_NEXT})")

# A synopsis, then the long description: lines of at most 80 characters.
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "library that reads drive data files
vqDataFileReader reads the data files that describe an inverter drive model
at one firmware version, in the JSON format with its titles document and in
the legacy compound-file format: identity and register addresses, terminals,
trips and warnings, message tables, parameter groups and parameters, the
initialisation order, scope roles and user-sequence blocks. A host program
loads it and reads fixed-layout records through fifteen exported functions.
.
This package holds the shared library and an example drive in the DataFile
folder beside it, a link to /usr/share/vqdatafilereader/DataFile.")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "library that reads drive data files - development files
vqDataFileReader reads the data files that describe an inverter drive model,
in the JSON and the legacy compound-file formats, and hands their records to
a host program through fifteen exported functions.
.
This package holds the header, the CMake package and the pkg-config file.")
set(CPACK_COMPONENT_TOOL_DESCRIPTION "shows, checks and converts drive data files, and talks to drives
vqdf shows, dumps, checks, converts and compares the data files that describe
an inverter drive model, in the JSON and legacy formats, with rules over what
a file means. Over Modbus TCP or RTU it reads, watches and writes a drive's
parameters by their data file, backs them up and restores them in the
initialisation order, and it stands in for a drive as a Modbus server.")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "Python 3 module that reads drive data files
The vqdf module loads the data files that describe an inverter drive model,
in the JSON and legacy formats, through the same code as the library, and
gives their records as dataclasses; it compares and converts them, checks
them against rules, and reaches a drive over Modbus: backup, restore and a
stand-in drive for tests.")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
include(CPack)
