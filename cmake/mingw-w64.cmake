# Cross-compiles for 64-bit Windows with the MinGW-w64 POSIX-threads toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# src/main.cpp has wmain on Windows, for a command line in UTF-16, so executables link
# with -municode. CMake's compiler checks have a plain main: they build a library instead.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-municode")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# Release executables go out without symbols, which would double the size of linter.exe.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
