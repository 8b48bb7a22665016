# Cross-builds Quarvel for 64-bit Windows with Debian 12's mingw-w64 GCC, POSIX-threads variant: the
# variant the Qt for Windows in use was built with, whose runtime DLLs ship beside the windows' program.
# Packages: g++-mingw-w64-x86-64-posix (brings binutils-mingw-w64-x86-64 and mingw-w64-x86-64-dev).
#
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         [-DCMAKE_PREFIX_PATH=/opt/qt6-mingw-6.4.2 -DQT_HOST_PATH=/usr]
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw_triple}-windres)
# The binutils are one for both thread variants.
set(CMAKE_AR /usr/bin/${_mingw_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${_mingw_triple}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP /usr/bin/${_mingw_triple}-strip CACHE FILEPATH "")
set(CMAKE_OBJDUMP /usr/bin/${_mingw_triple}-objdump CACHE FILEPATH "")

# Windows' headers and libraries, and each prefix named in CMAKE_PREFIX_PATH (the cross-built Qt): never
# a library or header of the Linux machine that builds.
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw_triple})
if(CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
endif()
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
