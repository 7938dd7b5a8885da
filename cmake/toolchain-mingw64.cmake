# Cross-compiling for Windows x64 with Debian's mingw-w64 (posix thread model, for std::thread
# and std::mutex). Used for Velkaro itself and for the Qt build in scripts/build-qt-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELKARO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${VELKARO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKARO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELKARO_MINGW_TRIPLE}-windres)

# Libraries and headers for the target only; programs (moc, rcc) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VELKARO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
