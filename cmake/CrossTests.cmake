# Tests of a cross-build: GoogleTest built by the same compiler, and what Wine needs to run them.

# Debian's googletest package installs GoogleTest's sources (whose build names its targets
# GTest::gtest and GTest::gtest_main); a cross-build has no installed GoogleTest to link.
set(VANTOR_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources, for cross-builds")
set(BUILD_GMOCK OFF CACHE BOOL "")
set(INSTALL_GTEST OFF CACHE BOOL "")
add_subdirectory(${VANTOR_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The test programs load the compiler's runtime DLLs (libstdc++, libgcc, winpthread); Wine finds
# them through WINEPATH in the folders where the compiler keeps them.
set(VANTOR_WINEPATH "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(dll_dir "${dll_path}" DIRECTORY)
  get_filename_component(dll_dir "${dll_dir}" REALPATH)
  list(APPEND VANTOR_WINEPATH "${dll_dir}")
endforeach()
list(REMOVE_DUPLICATES VANTOR_WINEPATH)
# Wine separates the folders with ';', which a test's ENVIRONMENT property needs escaped.
string(REPLACE ";" "\\;" VANTOR_WINEPATH "${VANTOR_WINEPATH}")
