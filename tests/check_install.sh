#!/usr/bin/env bash
# The library as another project uses it: installed to a temporary prefix, with the soname and
# links it should have; a C++ consumer built with find_package and a C consumer built with
# pkg-config, each loading a JSON file by path and the example drive by model and version from
# the installed DataFile folder; then the Debian packages of a build for the /usr prefix, clean
# by lintian, unpacked with dpkg-deb, holding what they should, and the consumers, vqdf and the
# Python module run against that root.
# Usage: tests/check_install.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/examples/M1_1_05.json" "$work/M2_1_05.json"
cp "$root/examples/M1_1_05_Title.json" "$work/M2_1_05_Title.json"

fail() {
    echo "check_install: $*" >&2
    exit 1
}

# Builds and runs both consumers against an installed tree under PREFIX.
consumers() {
    local prefix="$1" name="$2"
    local lib
    lib="$(dirname "$(find "$prefix" -name 'libvqDataFileReader.so' | head -1)")"
    cmake -S "$root/tests/consumer" -B "$work/$name-cmake" -DCMAKE_PREFIX_PATH="$prefix" \
        >"$work/$name-cmake.log" 2>&1 || { cat "$work/$name-cmake.log"; fail "$name: find_package"; }
    cmake --build "$work/$name-cmake" >>"$work/$name-cmake.log" 2>&1 ||
        { cat "$work/$name-cmake.log"; fail "$name: the C++ consumer does not build"; }
    [ "$("$work/$name-cmake/consumer" "$work/M2_1_05.json")" = "10 groups, 0 and 303 ids" ] ||
        fail "$name: the C++ consumer reads $("$work/$name-cmake/consumer" "$work/M2_1_05.json")"

    local flags
    flags="$(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs vqDataFileReader)" ||
        fail "$name: pkg-config finds no vqDataFileReader"
    # shellcheck disable=SC2086
    cc -std=c11 -Wall -Werror -o "$work/$name-c" "$root/tests/consumer/consumer.c" $flags \
        -Wl,-rpath,"$lib" || fail "$name: the C consumer does not build"
    [ "$("$work/$name-c" "$work/M2_1_05.json")" = "10 groups, 81 messages, group 1 is BAS" ] ||
        fail "$name: the C consumer reads $("$work/$name-c" "$work/M2_1_05.json")"
}

echo "-- install to a temporary prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
lib="$(dirname "$(find "$work/prefix" -name 'libvqDataFileReader.so.1.0.0')")"
[ -L "$lib/libvqDataFileReader.so.1" ] && [ -L "$lib/libvqDataFileReader.so" ] ||
    fail "the soname and development links are missing"
readelf -d "$lib/libvqDataFileReader.so.1.0.0" | grep -q 'SONAME.*\[libvqDataFileReader.so.1\]' ||
    fail "the soname is not libvqDataFileReader.so.1"
[ -f "$lib/DataFile/M1/M1_1_05.inv" ] || fail "the DataFile folder is not beside the library"
consumers "$work/prefix" installed
# A package of another major version is not taken.
mkdir -p "$work/major"
printf 'cmake_minimum_required(VERSION 3.20)\nproject(p NONE)\nfind_package(vqDataFileReader 2.0 REQUIRED)\n' \
    >"$work/major/CMakeLists.txt"
if cmake -S "$work/major" -B "$work/major/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null 2>&1; then
    fail "find_package takes version 1 for 2.0"
fi

echo "-- added to another project's build: the library alone"
mkdir -p "$work/sub"
cat >"$work/sub/CMakeLists.txt" <<SUB
cmake_minimum_required(VERSION 3.20)
project(sub LANGUAGES CXX)
add_subdirectory("$root" vqdf)
foreach(target vqdf vqdf_tests vqdf_bench vqdf-generate)
  if(TARGET \${target})
    message(FATAL_ERROR "a project that adds the library builds \${target} too")
  endif()
endforeach()
add_executable(consumer "$root/tests/consumer/consumer.cpp")
target_link_libraries(consumer PRIVATE vqDataFileReader::vqDataFileReader)
SUB
cmake -S "$work/sub" -B "$work/sub/build" >"$work/sub.log" 2>&1 &&
    cmake --build "$work/sub/build" -j "$(nproc)" >>"$work/sub.log" 2>&1 ||
    { cat "$work/sub.log"; fail "the library does not build as a part of another project"; }
[ "$("$work/sub/build/consumer" "$work/M2_1_05.json")" = "10 groups, 0 and 303 ids" ] ||
    fail "the consumer of the added library reads something else"

echo "-- Debian packages, built as the distribution lays them out, and lintian"
cmake -S "$root" -B "$work/deb-build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DVQDF_BUILD_TESTS=OFF -DVQDF_BUILD_BENCH=OFF -DVQDF_BUILD_TOOLS=ON >"$work/deb.log" 2>&1 &&
    cmake --build "$work/deb-build" -j "$(nproc)" >>"$work/deb.log" 2>&1 &&
    "$root/scripts/make-debs.sh" "$work/deb-build" "$work/debs" >>"$work/deb.log" 2>&1 ||
    { cat "$work/deb.log"; fail "the Debian packages are not made"; }
# No error and no warning; an override is in packaging/lintian with why.
lintian --fail-on error,warning "$work"/debs/*.deb "$work"/debs/*.ddeb 2>&1 |
    grep -v 'running with root privileges' || true
lintian --fail-on error,warning "$work"/debs/*.deb "$work"/debs/*.ddeb >/dev/null 2>&1 ||
    fail "lintian finds errors or warnings in the packages"
multiarch="usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
for package in libvqdatafilereader1 libvqdatafilereader-dev vqdf python3-vqdf; do
    deb="$(ls "$work/debs/${package}_"*.deb 2>/dev/null | head -1)"
    [ -n "$deb" ] || fail "no package $package"
    [ "$package" = libvqdatafilereader-dev ] ||
        [ -n "$(ls "$work/debs/${package}-dbgsym_"*.ddeb 2>/dev/null)" ] ||
        fail "no debug symbols package of $package"
    dpkg-deb -x "$deb" "$work/root"
    contents="$(dpkg-deb -c "$deb")"
    case "$package" in
        libvqdatafilereader1) wanted=("$multiarch/libvqDataFileReader.so.1.0.0"
                                      "$multiarch/DataFile -> ../../share/vqdatafilereader/DataFile"
                                      share/vqdatafilereader/DataFile/M1/M1_1_05.inv) ;;
        libvqdatafilereader-dev) wanted=(include/vqDataFileReader.h
                                         "$multiarch/cmake/vqDataFileReader/vqDataFileReaderConfig.cmake"
                                         "$multiarch/pkgconfig/vqDataFileReader.pc"
                                         "$multiarch/libvqDataFileReader.so ") ;;
        vqdf) wanted=(bin/vqdf man1/vqdf.1.gz bash-completion/completions/vqdf) ;;
        python3-vqdf) wanted=(lib/python3/dist-packages/vqdf/__init__.py
                              "lib/python3/dist-packages/vqdf/_vqdf.cpython") ;;
    esac
    wanted+=("share/doc/$package/copyright" "share/doc/$package/changelog.gz")
    for file in "${wanted[@]}"; do
        grep -qF "$file" <<<"$contents" || fail "$package holds no $file"
    done
done
for binary in "$work/root/$multiarch/libvqDataFileReader.so.1.0.0" "$work/root/usr/bin/vqdf"; do
    readelf -S "$binary" | grep -q '\.debug_info' && fail "$binary is not stripped"
done
dpkg-deb -f "$work/debs/"vqdf_*.deb Depends | grep -q libvqdatafilereader1 ||
    fail "vqdf does not depend on the library's package"
consumers "$work/root/usr" packaged
"$work/root/usr/bin/vqdf" show --section device --model M1 --version 1.05 >/dev/null ||
    fail "the packaged vqdf does not find the packaged DataFile folder"
(cd "$work" && PYTHONPATH="$work/root/usr/lib/python3/dist-packages" /usr/bin/python3 -c \
    'import vqdf, sys; sys.exit(len(vqdf.load(sys.argv[1]).groups) != 10)' "$work/M2_1_05.json") ||
    fail "the packaged Python module does not load a file"
echo "check_install: all good"
