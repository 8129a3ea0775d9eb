# Windows on 32-bit x86, cross-built with mingw-w64. Nothing of it runs here.
set(PAINTCORE_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
