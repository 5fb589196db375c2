# Cross-build for 64-bit Windows with Debian's mingw-w64. The -posix compilers carry the
# posix thread model that std::thread and GoogleTest need; the win32 model lacks it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUILLENTA_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QUILLENTA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLENTA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLENTA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLENTA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe with no DLLs beside it: the C and C++ runtimes and winpthreads linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian 12 ships the 64-bit loader only here; there is no /usr/bin/wine64.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
