# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (GCC with POSIX threads, which gives
# std::thread and std::mutex; the win32-thread variant lacks them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTOR_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW sysroot and from the prefixes given in
# CMAKE_PREFIX_PATH (the cross-built Qt); programs run during the build come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
