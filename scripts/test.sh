#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds and runs every test, installs the library
# and builds its Debian packages and projects that use them, installs the Python package with pip
# into a fresh virtual environment and runs its tests, builds and runs the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then runs each fuzz target for
# VQDF_FUZZ_SECONDS seconds (60 by default), and cross-builds the Windows library for x86_64 and
# i686 and runs the Windows tests under Wine: the x86_64 ones always, the i686 ones where the
# machine runs 32-bit programs (where it does not, it says so and goes on).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
vqdf_install_packages

# A locale with a decimal comma, so the tests can show that nothing read or written depends on it.
locale -a 2>/dev/null | grep -qi '^de_DE.utf8$' || localedef -i de_DE -f UTF-8 de_DE.UTF-8
# A Japanese one, for the Windows tests of a double-byte code page under Wine.
locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$' || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8

echo "== formatting"
git ls-files -- '*.h' '*.cpp' | xargs clang-format --dry-run --Werror

jobs=$(nproc)
echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQDF_BUILD_TESTS=ON -DVQDF_BUILD_BENCH=ON \
    -DVQDF_BUILD_TOOLS=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== install, Debian packages, and projects that use them"
tests/check_install.sh build

echo "== the Python package, installed by pip into a fresh virtual environment"
venv="$(mktemp -d)"
trap 'rm -rf "$venv"' EXIT
/usr/bin/python3 -m venv --system-site-packages "$venv"
"$venv/bin/pip" install --quiet --no-index --no-build-isolation .
# From outside the tree, so that the package imported is the installed one.
(cd "$venv" && VQDF_PROGRAM="$OLDPWD/build/vqdf" "$venv/bin/python" -m pytest -q -p no:cacheprovider \
    "$OLDPWD/tests/python")

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVQDF_SANITIZE=address,undefined \
    -DVQDF_BUILD_BENCH=OFF -DVQDF_BUILD_PYTHON=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzzing each target for ${VQDF_FUZZ_SECONDS:-60} s"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVQDF_FUZZ=ON -DVQDF_BUILD_TESTS=OFF -DVQDF_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target JsonLoaderFuzzer LegacyLoaderFuzzer TitleFormatFuzzer
scripts/fuzz.sh build-fuzz

echo "== Windows builds, and the Windows tests under Wine"
if vqdf_install_wine; then
    run=(x86_64)
    not_run=""
    if ! vqdf_runs_32bit_programs; then
        not_run="this machine's kernel runs no 32-bit programs"
    elif vqdf_install_wine32; then
        run+=(i686)
    else
        not_run="Wine's 32-bit half cannot be installed here"
    fi
    scripts/windows.sh build "${run[@]}"
    if [ -n "$not_run" ]; then
        echo "The i686 Windows programs were built and their exports and record layout checked, but not run: $not_run."
    fi
fi
