# What `cmake --install` puts where on Linux, the CMake package and pkg-config file for
# C++ hosts, the manual page and shell completion of the command line, and the Debian
# package CPack builds from the same rules (two packages with the Python module:
# tessaro and python3-tessaro, whose install rules name the component python).

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# FILE.gz beside a generated FILE, compressed without a time stamp, built by TARGET.
function(tessaro_gzip target file)
  add_custom_command(OUTPUT ${file}.gz COMMAND gzip -9nc ${file} > ${file}.gz DEPENDS ${file})
  add_custom_target(${target} ALL DEPENDS ${file}.gz)
endfunction()

# libtessaro.so.0 -> libtessaro.so.0.1.0; hosts built against it load it by its SONAME.
set_target_properties(tessaro PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  EXPORT_NAME tessaro)
add_library(Tessaro::tessaro ALIAS tessaro)
target_include_directories(tessaro PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(tessaro PUBLIC cxx_std_20)

install(TARGETS tessaro EXPORT TessaroTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/tessaro DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaro)
install(EXPORT TessaroTargets NAMESPACE Tessaro:: DESTINATION ${config_dir} FILE TessaroTargets.cmake)
configure_package_config_file(cmake/TessaroConfig.cmake.in ${PROJECT_BINARY_DIR}/TessaroConfig.cmake
  INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TessaroConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TessaroConfig.cmake ${PROJECT_BINARY_DIR}/TessaroConfigVersion.cmake
  DESTINATION ${config_dir})
# Relative to its own folder, so that a copy installed under any prefix describes itself.
file(RELATIVE_PATH pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
configure_file(cmake/tessaro.pc.in ${PROJECT_BINARY_DIR}/tessaro.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tessaro.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The sample device database and the sample project.
install(FILES ${TESSARO_SAMPLE_DB} DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaro/samples)
install(DIRECTORY samples/plant DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaro/samples)

if(TARGET tessaro_cli)
  # The installed command line finds the library and the sample device database from
  # its own folder, wherever the tree was installed or unpacked.
  file(RELATIVE_PATH bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  file(RELATIVE_PATH bin_to_db ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_DATADIR}/tessaro/samples/KorvoDEV.dbr)
  set_target_properties(tessaro_cli PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_lib}")
  target_compile_definitions(tessaro_cli_core PRIVATE TESSARO_INSTALLED_SAMPLE_DB="${bin_to_db}")
  install(TARGETS tessaro_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The manual page with the version filled in, compressed as man expects it.
  configure_file(cli/tessaro.1.in ${PROJECT_BINARY_DIR}/tessaro.1 @ONLY)
  tessaro_gzip(tessaro_manual ${PROJECT_BINARY_DIR}/tessaro.1)
  install(FILES ${PROJECT_BINARY_DIR}/tessaro.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES cli/completion.bash RENAME tessaro DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()

# The copyright and the change log, as Debian packages carry them.
configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
tessaro_gzip(tessaro_changelog ${PROJECT_BINARY_DIR}/changelog)
install(FILES cmake/debian/copyright ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: cpack in a build folder configured with CMAKE_INSTALL_PREFIX=/usr.
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_VENDOR "Tessaro")
set(CPACK_PACKAGE_CONTACT "Tessaro maintainers <maintainers@users.noreply.c-seed-5c0f0b60.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "import of S7 controller variables from symbol tables and DB sources")
set(CPACK_PACKAGE_DESCRIPTION "Tessaro imports the variables of an S7 programmable controller from its
symbol table (.ASC) and data-block source (.AWL) exports, maps each one to
a data area and data type of the target device through a device database,
and reports conversions and rejections in one of six languages.
This package holds the tessaro command line, the shared library with its
headers, CMake package and pkg-config file, and a sample project.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# ldconfig runs through dpkg's trigger; the maintainer scripts are ours, so that CPack
# does not add its own ldconfig calls.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers
  ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# With the Python module, two packages: tessaro and python3-tessaro.
if(TARGET _tessaro)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL tessaro python)
  set(CPACK_DEBIAN_TESSARO_PACKAGE_NAME tessaro)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tessaro)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # CPack gives every package the one synopsis, CPACK_PACKAGE_DESCRIPTION_SUMMARY.
  set(CPACK_DEBIAN_TESSARO_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "The Python 3 module tessaro: the import as a function, the records as
Python objects, a pandas data frame where pandas is there.
Tessaro imports the variables of an S7 programmable controller from its
symbol table (.ASC) and data-block source (.AWL) exports, maps each one to
a data area and data type of the target device through a device database,
and reports conversions and rejections in one of six languages.")
  # Its package's copyright and change log.
  configure_file(cmake/debian/python3-tessaro.changelog.in ${PROJECT_BINARY_DIR}/python/changelog @ONLY)
  tessaro_gzip(python3_tessaro_changelog ${PROJECT_BINARY_DIR}/python/changelog)
  install(FILES cmake/debian/copyright ${PROJECT_BINARY_DIR}/python/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-tessaro COMPONENT python)
  # The module is built for one Python version; it needs the library of the same build.
  math(EXPR python_next_minor "${Python_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "tessaro (= ${PROJECT_VERSION}), python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}~), python3 (<< ${Python_VERSION_MAJOR}.${python_next_minor})")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS python3-pandas)
  set(CPACK_DEBIAN_TESSARO_PACKAGE_CONTROL_EXTRA ${CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA})
  configure_file(cmake/debian/python3-tessaro.prerm ${PROJECT_BINARY_DIR}/python/prerm COPYONLY)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/python/prerm)
  unset(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA)
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)
