# 32-bit Windows with mingw-w64 (POSIX thread model: std::thread and std::mutex need it).
# The libraries come from the cache that cmake/windows/build-deps.sh fills; KV_WINDOWS_DEPS
# names the folder (./run passes the one of its recipe; default: the last one completed below
# ~/.cache/kelvane_down/windows-deps).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(kv_host i686-w64-mingw32)
set(CMAKE_C_COMPILER ${kv_host}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kv_host}-g++-posix)
set(CMAKE_RC_COMPILER ${kv_host}-windres)
set(CMAKE_ASM_COMPILER ${kv_host}-gcc-posix)

if(NOT KV_WINDOWS_DEPS)
  if(DEFINED ENV{KV_WINDOWS_DEPS})
    set(KV_WINDOWS_DEPS $ENV{KV_WINDOWS_DEPS})
  else()
    set(KV_WINDOWS_DEPS $ENV{HOME}/.cache/kelvane_down/windows-deps/current)
  endif()
endif()
set(KV_WINDOWS_DEPS ${KV_WINDOWS_DEPS} CACHE PATH "Cross-built Windows libraries")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KV_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${kv_host} ${KV_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only: zlib's libz.dll.a would make the program need zlib1.dll.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# Boost and RapidJSON: Debian's headers, shown through their own folder.
include_directories(SYSTEM ${KV_WINDOWS_DEPS}/include-host)
# The programs import only Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
