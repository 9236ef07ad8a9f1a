# The 32-bit Windows build (preset "windows", toolchain cmake/windows/toolchain-i686.cmake): the
# cross-built libraries under the names the Linux build finds them by, so that every folder's
# CMakeLists reads the same on both systems.
enable_language(RC)

# Windows 7 is the oldest system the program runs on; the Win32 calls take wide text.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX
                        WIN32_LEAN_AND_MEAN)
# Static C and C++ runtimes: the programs import only Windows' own DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)

# Static libraries only (the platform's defaults put the DLLs' import libraries first).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

set(Boost_NO_BOOST_CMAKE ON)
set(BOOST_INCLUDEDIR ${KV_WINDOWS_DEPS}/include-host)
find_package(Boost 1.74 REQUIRED)
# Asio on Windows: Winsock and its extensions.
target_link_libraries(Boost::headers INTERFACE ws2_32 mswsock)

set(OPENSSL_ROOT_DIR ${KV_WINDOWS_DEPS})
set(OPENSSL_USE_STATIC_LIBS ON)
find_package(OpenSSL 3 REQUIRED)
target_link_libraries(OpenSSL::Crypto INTERFACE ws2_32 crypt32)

set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
find_package(libzip CONFIG REQUIRED)
add_library(PkgConfig::LIBZIP INTERFACE IMPORTED)
target_link_libraries(PkgConfig::LIBZIP INTERFACE libzip::zip ZLIB::ZLIB bcrypt advapi32)

find_package(pugixml CONFIG REQUIRED)
add_library(PkgConfig::PUGIXML INTERFACE IMPORTED)
target_link_libraries(PkgConfig::PUGIXML INTERFACE pugixml::pugixml)

# Tools that run at build time (the resource packer) come from a Linux build.
set(KV_HOST_KVPACK "" CACHE FILEPATH "kvpack built for the build machine")
