# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads compilers, which
# have std::thread and std::mutex). Used for the Windows Qt that scripts/windows-qt.sh makes and
# for the Windows build of the layers below the browser.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
# Programs run here come from this machine; libraries and headers from the Windows side only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs and Qt's DLLs share MinGW's runtime DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1),
# as a Windows MinGW build of Qt does: they are found through WINEPATH, or put beside the program.
