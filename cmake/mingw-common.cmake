# Shared part of the two Windows toolchains: Debian's mingw-w64 compilers of
# the POSIX thread model (std::thread and std::mutex need it), and the
# dependencies that scripts/build-windows-deps cross-builds, found before the
# few that the compiler's own sysroot holds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${PAINTCORE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PAINTCORE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PAINTCORE_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${PAINTCORE_MINGW_TRIPLET}-dlltool)
set(CMAKE_OBJDUMP ${PAINTCORE_MINGW_TRIPLET}-objdump)

if(NOT DEFINED PAINTCORE_WINDOWS_DEPS)
  if(DEFINED ENV{PAINTCORE_WINDOWS_DEPS})
    set(PAINTCORE_WINDOWS_DEPS $ENV{PAINTCORE_WINDOWS_DEPS})
  else()
    get_filename_component(PAINTCORE_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps ABSOLUTE)
  endif()
endif()
set(PAINTCORE_WINDOWS_PREFIX ${PAINTCORE_WINDOWS_DEPS}/${PAINTCORE_MINGW_TRIPLET})

set(CMAKE_FIND_ROOT_PATH ${PAINTCORE_WINDOWS_PREFIX} /usr/${PAINTCORE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Inside the root path, the prefix itself is the place to look.
set(CMAKE_PREFIX_PATH /)
