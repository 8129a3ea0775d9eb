# `cmake --install BUILD [--prefix PREFIX]` (make install) puts the library
# where C libraries of this platform live: the header, the shared library
# with its soname and development link, a pkg-config file and a CMake
# package, and the command-line host when it is built.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

target_include_directories(paintcore INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS paintcore EXPORT paintcoreTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/paintcore.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# find_package(paintcore) gives the target paintcore::paintcore.
set(PAINTCORE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/paintcore)
install(EXPORT paintcoreTargets NAMESPACE paintcore:: DESTINATION ${PAINTCORE_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/paintcoreConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/paintcoreConfig.cmake INSTALL_DESTINATION ${PAINTCORE_CMAKE_DIR})
# A newer minor version serves a host built for an older one; a new major does not.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/paintcoreConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/paintcoreConfig.cmake ${CMAKE_BINARY_DIR}/paintcoreConfigVersion.cmake
        DESTINATION ${PAINTCORE_CMAKE_DIR})

# The pkg-config file names the prefix the files are installed under, which
# `cmake --install --prefix` may choose after configuring: it is written at
# install time.
install(CODE "
  set(PAINTCORE_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(PAINTCORE_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(PAINTCORE_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(PAINTCORE_PC_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/paintcore.pc.in\" \"${CMAKE_BINARY_DIR}/paintcore.pc\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/paintcore.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The command-line host finds the library beside it, in ../lib, wherever
# the prefix is.
if(PAINTCORE_TOOLS)
  file(RELATIVE_PATH PAINTCORE_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
  set_target_properties(pte PROPERTIES INSTALL_RPATH "$ORIGIN/${PAINTCORE_BIN_TO_LIB}")
  install(TARGETS pte RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Into a folder the dynamic linker searches (/usr/local/lib, /usr/lib),
# installed by root onto the running system: refresh its cache, as
# installed C libraries are made known, so hosts run without
# LD_LIBRARY_PATH. Other prefixes need an rpath in the host (see README).
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\" AND \"\${CMAKE_INSTALL_PREFIX}\" MATCHES \"^/usr(/local)?/?$\")
    execute_process(COMMAND ldconfig RESULT_VARIABLE paintcore_ldconfig OUTPUT_QUIET ERROR_QUIET)
    if(NOT paintcore_ldconfig EQUAL 0)
      message(STATUS \"paintcore: run ldconfig as root so that hosts find libpaintcore.so.${PROJECT_VERSION_MAJOR}\")
    endif()
  endif()
")
