# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (packages g++-mingw-w64-x86-64-posix
# and mingw-w64-x86-64-dev); the tests then run under Wine (wine64).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCANIPARC_UI=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
# The posix thread model: std::thread and std::mutex need it with this GCC.
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe without the compiler's run-time DLLs beside it, so it runs on any Windows or Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian keeps wine64 out of the PATH unless the "wine" package is installed too.
find_program(CANIPARC_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(CANIPARC_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CANIPARC_WINE})
endif()
