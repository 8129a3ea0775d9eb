# The test suite of the Windows build: GoogleTest compiled from the sources
# Debian ships (libgtest-dev), every test program run under wine64 through
# tests/win32/wine_run.py (a Wine prefix of the build's own, and an X server
# of its own when none is given), and the tests of the DLL itself.

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(target gtest gtest_main gmock gmock_main)
  set_property(TARGET ${target} APPEND PROPERTY COMPILE_OPTIONS -Wno-error)
endforeach()

# The test programs' entry: no message box waits for a user.
add_library(paintcore_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/win32/main.cpp)
target_include_directories(paintcore_test_main PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(paintcore_test_main PUBLIC GTest::gmock)
set(PAINTCORE_TEST_MAIN paintcore_test_main)

find_program(PAINTCORE_HOST_PYTHON python3 REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(PAINTCORE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PAINTCORE_HOST_PYTHON} ${CMAKE_SOURCE_DIR}/tests/win32/wine_run.py
    --prefix ${PAINTCORE_WINEPREFIX} --path ${CMAKE_BINARY_DIR} --)

# Test files of the main folder that need a Linux-only component or a Linux
# peer tool, left out of the Windows run: names joined by "|", each with its
# reason above it. (None yet: the tests of the Linux components live in
# tests/linux/.)
set(PAINTCORE_LINUX_ONLY_TESTS "")

# The 32-bit build whose DLL and import library the export test reads.
set(PAINTCORE_WIN32_BUILD ${CMAKE_SOURCE_DIR}/build-win32 CACHE PATH "The 32-bit Windows build folder")

function(paintcore_windows_tests)
  set(win32_tests ${CMAKE_SOURCE_DIR}/tests/win32)
  set(implib ${CMAKE_BINARY_DIR}/libpaintcore.dll.a)

  # The README's host, linked against the import library as a host does.
  add_executable(windows_host ${win32_tests}/windows_host.c)
  target_include_directories(windows_host PRIVATE ${CMAKE_SOURCE_DIR}/include)
  target_compile_options(windows_host PRIVATE -std=c99 -pedantic)
  target_link_libraries(windows_host PRIVATE ${implib})
  add_dependencies(windows_host paintcore)
  add_test(NAME windows_host COMMAND windows_host)
  set_tests_properties(windows_host PROPERTIES PASS_REGULAR_EXPRESSION "^128 \r?\n$")

  # The DLL loaded and unloaded at run time: its hidden window and the
  # display-change flag, and nothing left behind.
  add_executable(windows_dll_lifecycle ${win32_tests}/dll_lifecycle.c)
  target_include_directories(windows_dll_lifecycle PRIVATE ${CMAKE_SOURCE_DIR}/include)
  target_link_libraries(windows_dll_lifecycle PRIVATE user32)
  add_dependencies(windows_dll_lifecycle paintcore)
  add_test(NAME windows_dll_lifecycle COMMAND windows_dll_lifecycle $<TARGET_FILE:paintcore>)
  set_tests_properties(windows_dll_lifecycle PROPERTIES PASS_REGULAR_EXPRESSION "lifecycle: all [0-9]+ checks passed")

  # A tablet interface module of the tests' own, in a folder of its own
  # beside the test programs that only the tablet test puts on the module
  # search path.
  set(fake_wintab_dir ${CMAKE_BINARY_DIR}/tests/fake_wintab)
  add_library(fake_wintab SHARED ${win32_tests}/fake_wintab/fake_wintab.c ${win32_tests}/fake_wintab/fake_wintab.def)
  set_target_properties(fake_wintab PROPERTIES OUTPUT_NAME Wintab32 PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${fake_wintab_dir}
                        ARCHIVE_OUTPUT_DIRECTORY ${fake_wintab_dir}/implib)
  add_dependencies(test_win32_tablet fake_wintab)
  # The same for TWAIN's data source manager and the scanner test.
  set(fake_twain_dir ${CMAKE_BINARY_DIR}/tests/fake_twain)
  add_library(fake_twain SHARED ${win32_tests}/fake_twain/fake_twain.c ${win32_tests}/fake_twain/fake_twain.def)
  set_target_properties(fake_twain PROPERTIES OUTPUT_NAME TWAINDSM PREFIX "" SUFFIX .DLL
                        RUNTIME_OUTPUT_DIRECTORY ${fake_twain_dir} ARCHIVE_OUTPUT_DIRECTORY ${fake_twain_dir}/implib)
  add_dependencies(test_win32_twain fake_twain)

  # The 32-bit DLL's export table against the header: plain names, stdcall
  # argument sizes in the import library, a 32-bit host that links.
  add_test(NAME win32_exports_match_header
           COMMAND ${PAINTCORE_HOST_PYTHON} ${win32_tests}/check_pe_exports.py
                   ${CMAKE_SOURCE_DIR}/include/paintcore.h ${PAINTCORE_WIN32_BUILD} ${win32_tests}/windows_host.c)
  # The same for this build's DLL, whose names carry no sizes.
  add_test(NAME exports_match_header
           COMMAND ${PAINTCORE_HOST_PYTHON} ${win32_tests}/check_pe_exports.py
                   ${CMAKE_SOURCE_DIR}/include/paintcore.h ${CMAKE_BINARY_DIR})
endfunction()
