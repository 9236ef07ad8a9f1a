#!/usr/bin/env bash
# Cross-builds the Windows program's libraries (OpenSSL, libzip, pugixml, GoogleTest) for
# 32-bit mingw-w64 into a cache folder outside the checkout, once per set of inputs.
#
#   cmake/windows/build-deps.sh CACHE_ROOT
#
# The folder is CACHE_ROOT/<key>, where the key names every input's version and the recipe
# number below; "complete" is written last, so a build that stopped half-way is redone. The
# script's only output on standard output is that folder's path (./run hands it to CMake as
# KV_WINDOWS_DEPS); its progress goes to standard error. The link CACHE_ROOT/current points at
# the last folder completed, for builds configured by hand (other checkouts may move it).
set -euo pipefail

# Raise when anything below changes the result.
RECIPE=5

root=${1:?usage: build-deps.sh CACHE_ROOT}
host=i686-w64-mingw32
toolchain=$(cd "$(dirname "$0")" && pwd)/toolchain-i686.cmake

installed_version() { dpkg-query -W -f='${Version}' "$1"; }
source_versions() { apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -Vr | uniq; }

gcc_version=$(installed_version g++-mingw-w64-i686-posix)
zlib_version=$(installed_version libz-mingw-w64-dev)
gtest_version=$(installed_version googletest)
libzip_version=$(source_versions libzip | head -1)
pugixml_version=$(source_versions pugixml | head -1)
# OpenSSL: the newest version whose upstream tarball the mirror serves (its Debian files may lag
# behind a security release); apt checks the tarball's hash either way.
openssl_versions=$(source_versions openssl)
openssl_version=$(head -1 <<<"$openssl_versions")

key=$(printf '%s\n' "recipe $RECIPE" "gcc $gcc_version" "zlib $zlib_version" \
  "googletest $gtest_version" "libzip $libzip_version" "pugixml $pugixml_version" \
  "openssl-candidates $openssl_versions" | sha256sum | cut -c1-16)
prefix=$root/$key
if [ -f "$prefix/complete" ]; then
  ln -sfn "$key" "$root/current"
  echo "$prefix"
  exit 0
fi
exec 3>&1 1>&2  # progress to standard error; the path alone to the caller

echo "build-deps: cross-building the Windows libraries into $prefix"
rm -rf "$prefix"
mkdir -p "$prefix/src" "$prefix/include-host"
work=$prefix/src
jobs=2

# Boost and RapidJSON are Debian's headers; only their own folders are shown to the cross
# compiler (all of /usr/include would bring Linux system headers along).
ln -s /usr/include/boost "$prefix/include-host/boost"
ln -s /usr/include/rapidjson "$prefix/include-host/rapidjson"

# C libraries: small code, one section per function, no unwind tables.
c_size_flags="-ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables"

fetch_source() {  # package version: downloads the source package into $work
  (cd "$work" && apt-get source --download-only -q "$1=$2") >"$work/$1-fetch.log" 2>&1
}

cmake_build() {  # source-dir build-dir cmake-arguments...
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DKV_WINDOWS_DEPS="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$build.log" 2>&1
  cmake --build "$build" -j "$jobs" >>"$build.log" 2>&1
  cmake --install "$build" >>"$build.log" 2>&1
}

# OpenSSL from its upstream tarball (Debian's patches do not build for 32-bit mingw), with only
# what the engine uses: TLS 1.2/1.3 with the usual ciphers, no engines, modules or legacy
# algorithms. It reads no configuration file by itself (no-autoload-config): its built-in folders
# name this cache's path, which any user of a Windows machine could create (C:\root\...) and so
# hand an elevated program an openssl.cnf; the trusted roots do not come from those folders either
# (platform/trust_store_win.cpp). Every
# function in a section of its own, so that the link keeps only what the program calls; no unwind
# tables for C code that no exception passes through (they were a tenth of the program).
openssl_tarball=
for version in $openssl_versions; do
  upstream=${version%-*}
  fetch_source openssl "$version" || true
  openssl_tarball=$(ls "$work"/openssl_"$upstream".orig.tar.* 2>/dev/null | grep -v '\.asc$' |
    head -1 || true)
  [ -n "$openssl_tarball" ] && break
done
[ -n "$openssl_tarball" ] || { echo "build-deps: no OpenSSL source came down" >&2; exit 1; }
mkdir -p "$work/openssl"
tar -xf "$openssl_tarball" -C "$work/openssl" --strip-components=1
(
  cd "$work/openssl"
  ./Configure mingw --cross-compile-prefix=$host- --prefix="$prefix" --libdir=lib \
    no-shared no-tests no-module no-engine no-legacy no-dso \
    no-ssl3 no-dtls no-srp no-comp no-idea no-camellia no-seed no-bf no-cast no-rc2 no-rc4 \
    no-rc5 no-md4 no-mdc2 no-whirlpool no-sm2 no-sm3 no-sm4 no-aria no-gost no-des \
    no-dsa no-ct no-ocsp no-cms no-ts no-blake2 no-rmd160 no-ec2m no-siphash no-scrypt no-srtp \
    no-nextprotoneg no-rfc3779 no-ui-console no-autoload-config \
    -Os $c_size_flags >"$work/openssl.log" 2>&1
  make -j "$jobs" build_libs >>"$work/openssl.log" 2>&1
  make install_dev >>"$work/openssl.log" 2>&1
)
echo "build-deps: OpenSSL $(basename "$openssl_tarball") done"

fetch_source libzip "$libzip_version"
mkdir -p "$work/libzip"
tar -xf "$(ls "$work"/libzip_*.orig.tar.* | grep -v '\.asc$' | head -1)" -C "$work/libzip" \
  --strip-components=1
cmake_build "$work/libzip" "$work/libzip-build" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
  -DENABLE_ZSTD=OFF -DENABLE_OPENSSL=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
  -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=ON -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
  -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF -DCMAKE_C_FLAGS="$c_size_flags"
echo "build-deps: libzip $libzip_version done"

fetch_source pugixml "$pugixml_version"
mkdir -p "$work/pugixml"
tar -xf "$(ls "$work"/pugixml_*.orig.tar.* | grep -v '\.asc$' | head -1)" -C "$work/pugixml" \
  --strip-components=1
cmake_build "$work/pugixml" "$work/pugixml-build" -DPUGIXML_BUILD_TESTS=OFF
echo "build-deps: pugixml $pugixml_version done"

cmake_build /usr/src/googletest "$work/googletest-build" -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON
echo "build-deps: GoogleTest $gtest_version done"

# The sources and build folders are not needed once installed.
rm -rf "$work"
printf '%s\n' "recipe $RECIPE" "gcc $gcc_version" "zlib $zlib_version" \
  "googletest $gtest_version" "libzip $libzip_version" "pugixml $pugixml_version" \
  "openssl $(basename "$openssl_tarball")" >"$prefix/versions.txt"
touch "$prefix/complete"
ln -sfn "$key" "$root/current"
echo "build-deps: done"
echo "$prefix" >&3
