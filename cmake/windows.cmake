# The Windows build: static dependencies from the cache that
# scripts/build-windows-deps fills (found through the toolchain's root path),
# the system libraries of the Win32 platform layer, and a DLL whose exports
# keep their plain names.

# No benchmark library is built for Windows, and the command-line host
# stays a Linux tool (it tells a replaced file by its inode).
set(PAINTCORE_BENCH OFF CACHE BOOL "Build the benchmarks" FORCE)
set(PAINTCORE_TOOLS OFF CACHE BOOL "Build the command-line host" FORCE)

# Programs and the DLL carry their C and C++ runtimes inside, so that they
# need no DLL of the compiler's beside them.
add_link_options(-static -static-libgcc -static-libstdc++)
# 64-bit file offsets in the C runtime's stdio and M_PI in <cmath>, as on
# Linux; <windows.h> without its rarely used parts and min/max macros.
add_compile_definitions(_FILE_OFFSET_BITS=64 _USE_MATH_DEFINES WIN32_LEAN_AND_MEAN NOMINMAX)

find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
find_library(OPENCV_CORE_LIBRARY NAMES opencv_core opencv_core460 REQUIRED)
find_library(OPENCV_IMGPROC_LIBRARY NAMES opencv_imgproc opencv_imgproc460 REQUIRED)
find_package(ZLIB REQUIRED)
add_library(opencv_core_imgproc INTERFACE)
target_include_directories(opencv_core_imgproc SYSTEM INTERFACE ${OPENCV_INCLUDE_DIR})
target_link_libraries(opencv_core_imgproc INTERFACE ${OPENCV_IMGPROC_LIBRARY} ${OPENCV_CORE_LIBRARY} ZLIB::ZLIB)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
find_package(GIF REQUIRED)
# A static libtiff needs its codecs after it on the link line.
set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB)

# libdeflate, cross-built like the others, under the Linux build's target name.
find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h REQUIRED)
find_library(LIBDEFLATE_LIBRARY deflate REQUIRED)
add_library(PkgConfig::LIBDEFLATE INTERFACE IMPORTED)
target_include_directories(PkgConfig::LIBDEFLATE SYSTEM INTERFACE ${LIBDEFLATE_INCLUDE_DIR})
target_link_libraries(PkgConfig::LIBDEFLATE INTERFACE ${LIBDEFLATE_LIBRARY})

# Lua 5.1 has no pkg-config file here; the target takes the name the Linux
# build's lookup gives it, so that one link line serves both systems.
find_path(LUA51_INCLUDE_DIR lua.hpp PATH_SUFFIXES lua5.1 REQUIRED)
find_library(LUA51_LIBRARY lua5.1 REQUIRED)
add_library(PkgConfig::LUA51 INTERFACE IMPORTED)
target_include_directories(PkgConfig::LUA51 SYSTEM INTERFACE ${LUA51_INCLUDE_DIR})
target_link_libraries(PkgConfig::LUA51 INTERFACE ${LUA51_LIBRARY})

# libexif, cross-built like the others; its target takes the Linux build's name.
find_path(LIBEXIF_INCLUDE_DIR libexif/exif-data.h REQUIRED)
find_library(LIBEXIF_LIBRARY exif REQUIRED)
add_library(PkgConfig::LIBEXIF INTERFACE IMPORTED)
target_include_directories(PkgConfig::LIBEXIF SYSTEM INTERFACE ${LIBEXIF_INCLUDE_DIR})
target_link_libraries(PkgConfig::LIBEXIF INTERFACE ${LIBEXIF_LIBRARY})

# The Win32 platform layer: windows, GDI, the common dialogs, the video
# file interface; and libexif.
set(PAINTCORE_PLATFORM_LIBS user32 gdi32 comdlg32 vfw32 PkgConfig::LIBEXIF)

# A module-definition file written from the compiled exports, so that the
# 32-bit stdcall names keep their argument sizes there (PTE_CreateImage@20)
# while the DLL exports them plain (--kill-at), and an import library made
# from it with dlltool: with -k, a stdcall caller's decorated reference
# resolves to the plain export.
function(paintcore_windows_dll target)
  set(def ${CMAKE_BINARY_DIR}/paintcore.def)
  set(implib ${CMAKE_BINARY_DIR}/libpaintcore.dll.a)
  add_custom_command(
    OUTPUT ${def}
    COMMAND ${CMAKE_COMMAND} -DNM=${PAINTCORE_MINGW_TRIPLET}-nm -DOUTPUT=${def} -DLIBRARY=paintcore.dll
            "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:paintcore_objects>,|>" -P ${CMAKE_SOURCE_DIR}/cmake/write_def.cmake
    DEPENDS paintcore_objects $<TARGET_OBJECTS:paintcore_objects> ${CMAKE_SOURCE_DIR}/cmake/write_def.cmake
    VERBATIM)
  add_custom_target(paintcore_def DEPENDS ${def})
  add_dependencies(${target} paintcore_def)
  set(kill_at)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kill_at -k)
    target_link_options(${target} PRIVATE -Wl,--kill-at)
  endif()
  # A release DLL carries no symbol table: its exports are its interface.
  target_link_options(${target} PRIVATE ${def} -Wl,--no-undefined $<$<CONFIG:Release>:-s>)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${def})
  set_target_properties(${target} PROPERTIES
    PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    # The linker's own import library goes aside; the one hosts use is dlltool's.
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/linker-implib)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} ${kill_at} -d ${def} -D paintcore.dll -l ${implib}
    BYPRODUCTS ${implib} VERBATIM)
endfunction()
