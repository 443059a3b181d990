#!/usr/bin/env bash
# Cross-builds pugixml, libzip and mimalloc for Windows from Debian's own source packages into
# .local/cross. Idempotent: a stamp records what was built.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/env.sh"

PREFIX="$ZELMO_LOCAL/cross"
SRC="$ZELMO_LOCAL/src"
STAMP="$PREFIX/.built-v2"
[ -f "$STAMP" ] && { echo "build-cross-libs: up to date"; exit 0; }

mkdir -p "$SRC" "$PREFIX"
APT="$ZELMO_LOCAL/apt"
mkdir -p "$APT/sources" "$APT/lists/partial"

# Source entries made from the machine's own Debian entries, without touching its apt setup.
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$APT/sources/debian-src.sources"
else
    grep -hE '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$APT/sources/debian-src.list"
fi
APT_OPTS=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$APT/sources"
          -o "Dir::State::Lists=$APT/lists" -o Debug::NoLocking=1)
apt-get "${APT_OPTS[@]}" -qq update
(cd "$SRC" && apt-get "${APT_OPTS[@]}" -qq source --download-only pugixml libzip mimalloc 2>&1 | grep -v 'unsandboxed' || true)

unpack() {  # unpack <name>: the source tree of that package, unpacked once
    local dsc
    dsc=$(ls "$SRC"/"$1"_*.dsc | head -n 1)
    local dir="$SRC/$1"
    rm -rf "$dir"
    dpkg-source --no-check -x "$dsc" "$dir" >/dev/null
    echo "$dir"
}

TOOLCHAIN="$ZELMO_ROOT/cmake/mingw-w64-x86_64.cmake"
build() {  # build <source dir> <cmake options...>
    local dir=$1; shift
    cmake -S "$dir" -B "$dir/build-win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_CROSSCOMPILING_EMULATOR= -Wno-dev "$@" >"$dir/build.log" 2>&1 \
      && cmake --build "$dir/build-win" >>"$dir/build.log" 2>&1 \
      && cmake --install "$dir/build-win" >>"$dir/build.log" 2>&1 \
      || { cat "$dir/build.log" >&2; return 1; }
}

build "$(unpack pugixml)" -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF
build "$(unpack libzip)" -DBUILD_SHARED_LIBS=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
    -DENABLE_ZSTD=OFF -DENABLE_OPENSSL=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF -DBUILD_TOOLS=OFF \
    -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF

# The heap of the programs that run the engine: the static library only, without overriding malloc
# (the programs route operator new and delete to it themselves).
build "$(unpack mimalloc)" -DMI_BUILD_SHARED=OFF -DMI_BUILD_OBJECT=OFF -DMI_BUILD_TESTS=OFF \
    -DMI_OVERRIDE=OFF -DMI_INSTALL_TOPLEVEL=ON

touch "$STAMP"
echo "build-cross-libs: pugixml, libzip and mimalloc installed into $PREFIX"
