#!/usr/bin/env bash
# Cross-builds the library and its tests for x86_64 and i686 with mingw-w64, checks that each DLL
# exports exactly the fifteen functions under their plain names, runs the test programs of each
# architecture named (the library's suite, the exports, the host that loads and unloads the DLL,
# and the Windows rules) under Wine in a prefix of their own, and checks that a legacy file
# written there by the platform's structured storage serves on Linux the records of the
# libgsf-written example.
# Usage: scripts/windows.sh LINUX_BUILD_DIR [ARCH...]
#   LINUX_BUILD_DIR: where vqdf is; ARCH: x86_64 or i686, the builds to run (x86_64 by default;
#   i686 needs Wine's 32-bit half and a kernel that runs 32-bit programs). Both are built and
#   their exports checked either way; the 32-bit record layout is checked as the build compiles.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux_build="$(cd "$1" && pwd)"
shift
run=("${@:-x86_64}")
jobs=$(nproc)

for arch in x86_64 i686; do
    dir="$root/build-win-$arch"
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$dir" -j "$jobs"
    exported=$("$arch-w64-mingw32-objdump" -p "$dir/vqDataFileReader.dll" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}' | sort)
    expected=$(awk 'f && NF {print $1} /^EXPORTS/ {f = 1}' "$root/src/boundary/Exports.def" | sort)
    if [ "$exported" != "$expected" ]; then
        echo "vqDataFileReader.dll ($arch) exports:"; echo "$exported"
        exit 1
    fi
    echo "vqDataFileReader.dll ($arch): exactly the fifteen exports"
done

# Each architecture under its own loader, never the wine launcher, which starts the 32-bit loader
# whenever Wine's 32-bit half is installed, even on a machine that cannot run it; and each in a
# prefix of its own, made by that loader.
loader_of() { [ "$1" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64; }
wine_arch_of() { [ "$1" = i686 ] && echo win32 || echo win64; }
# Runs a program of the architecture in the loop below.
under_wine() {
    WINEPREFIX="$prefix/$arch" WINEARCH="$(wine_arch_of "$arch")" WINEDEBUG=-all \
        WINELOADER="$(loader_of "$arch")" "$(loader_of "$arch")" "$@" 2>&1 | grep -v '^wine: '
}
prefix="$(mktemp -d)"
interop="$(mktemp -d)"
trap 'rm -rf "$prefix" "$interop"' EXIT
for arch in "${run[@]}"; do
    echo "== the $arch test programs under Wine"
    mkdir -p "$interop/$arch"
    for suite in vqdf_tests vqdf_export_tests vqdf_host_tests vqdf_windows_tests; do
        VQDF_INTEROP_DIR="Z:$interop/$arch" under_wine "$root/build-win-$arch/$suite.exe"
    done
    # The code-page cases again on a Japanese system, code page 932 (Wine takes it from the
    # locale; the test command generates ja_JP.UTF-8).
    LC_ALL=ja_JP.UTF-8 VQDF_EXPECTED_ACP=932 \
        under_wine "$root/build-win-$arch/vqdf_windows_tests.exe" --gtest_filter='CodePages.*'
    # The file the platform's writer made under Wine, read on Linux: the same records, field by
    # field.
    cmp <("$linux_build/vqdf" dump "$interop/$arch/M1_1_05.inv") \
        <("$linux_build/vqdf" dump "$root/examples/DataFile/M1/M1_1_05.inv")
    echo "a legacy file written under Wine ($arch) serves on Linux the records of the libgsf-written example"
done
echo "Windows test programs run under Wine: ${run[*]}"
