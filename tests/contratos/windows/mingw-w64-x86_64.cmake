# Cross-compiling for 64-bit Windows with Debian's MinGW-w64. The posix thread model: the win32
# one of GCC 12 has no std::mutex or std::thread, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLETE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLETE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLETE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLETE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLETE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Fully static: no libstdc++, libgcc or libwinpthread DLL has to travel with the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
