# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (win32 thread
# model, so nothing depends on a pthread DLL).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUILLON_MINGW_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER ${QUILLON_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW_TRIPLE}-windres)

include(${CMAKE_CURRENT_LIST_DIR}/i686-codegen.cmake)
set(CMAKE_C_FLAGS_INIT "${QUILLON_I686_CODEGEN_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${QUILLON_I686_CODEGEN_FLAGS}")

# The runtime of the compiler goes into each binary: a DLL or program built
# here needs only the system DLLs.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
