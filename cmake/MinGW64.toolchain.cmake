# Cross-builds the Windows programs on Linux with MinGW-w64 (x86_64, the
# posix thread model: the win32 one has no std::thread) and runs what the
# build and the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(tarvo_mingw x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${tarvo_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tarvo_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tarvo_mingw}-windres)

# Only the MinGW tree is searched for libraries and headers; programs (the
# build's own tools) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${tarvo_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only (zlib ships an import library too): a program that
# needs no DLL of ours starts on any PC, and under Wine.
set(ZLIB_USE_STATIC_LIBS ON)

# Without -static the programs look for libwinpthread-1.dll and
# libstdc++-6.dll beside themselves and do not start.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine runs the programs the build and ctest start (test discovery, the
# tests themselves), in a prefix of the build tree's own (cmake/wine-run):
# a fresh one in the temporary folder, named after the build tree so that
# two trees never share one.
string(SHA1 tarvo_tree_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${tarvo_tree_hash}" 0 12 tarvo_tree_hash)
set(TARVO_WINEPREFIX "/tmp/tarvo-wine-${tarvo_tree_hash}" CACHE INTERNAL "the Wine prefix of the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;--prefix=${TARVO_WINEPREFIX}")
