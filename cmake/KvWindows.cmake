# The 32-bit Windows build (preset "windows", toolchain cmake/windows/toolchain-i686.cmake): the
# cross-built libraries under the names the Linux build finds them by, so that every folder's
# CMakeLists reads the same on both systems.
enable_language(RC)

# Windows 7 is the oldest system the program runs on; the Win32 calls take wide text.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX
                        WIN32_LEAN_AND_MEAN)
# Static C and C++ runtimes: the programs import only Windows' own DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
# The installer is downloaded before anything else: small code, and the functions and data that
# nothing uses dropped at link time.
foreach(language C CXX)
  string(REPLACE "-O3" "-Os" CMAKE_${language}_FLAGS_RELEASE "${CMAKE_${language}_FLAGS_RELEASE}")
endforeach()
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)

# Static libraries only (the platform's defaults put the DLLs' import libraries first).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# Another library folder (a new recipe): forget what was found in the old one.
if(NOT "${KV_WINDOWS_DEPS}" STREQUAL "${KV_WINDOWS_DEPS_FOUND_IN}")
  foreach(variable Boost_INCLUDE_DIR OPENSSL_INCLUDE_DIR OPENSSL_CRYPTO_LIBRARY OPENSSL_SSL_LIBRARY
          LIB_EAY SSL_EAY GTest_DIR libzip_DIR pugixml_DIR)
    unset(${variable} CACHE)
  endforeach()
  set(KV_WINDOWS_DEPS_FOUND_IN "${KV_WINDOWS_DEPS}" CACHE INTERNAL "")
endif()

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
