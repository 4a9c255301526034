# Shared by the MinGW-w64 toolchain files, which set KVX_MINGW_TRIPLET first. Everything links
# statically, so the programs import only Windows system DLLs. The posix thread model gives
# GoogleTest its std::mutex.
set(CMAKE_C_COMPILER ${KVX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KVX_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KVX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(ZLIB_USE_STATIC_LIBS ON)
