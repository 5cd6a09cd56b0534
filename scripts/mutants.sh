#!/usr/bin/env bash
# A mutation run: applies each patch of tests/mutants (a one-line slip of the kind developers
# make) to the library, the tools or the Python package, rebuilds, runs the test suite and then
# the Python package's tests (against the build's module: it uses the library's code throughout),
# and restores the tree. A patch is killed when a test fails or the suite cannot run; it survives
# when every test passes. Prints each patch with its outcome, and the kill rate at the end by area
# (the part of the patch's name before its first dash after the number).
# Usage: scripts/mutants.sh [BUILD_DIR] [PATCH...]   (BUILD_DIR: build-mutants by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build-mutants}")"
shift || true
cd "$root"
patches=("$@")
if [ ${#patches[@]} -eq 0 ]; then
    patches=(tests/mutants/*.patch)
fi
if ! git diff --quiet -- src include tools python; then
    echo "mutants.sh: the library has changes that are not committed; commit or stash them first" >&2
    exit 2
fi

applied=""
restore() {
    if [ -n "$applied" ]; then
        git apply -R "$applied"
        applied=""
    fi
}
trap restore EXIT INT TERM

jobs=$(nproc)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVQDF_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null
# The suite: the tests of the build, then the Python package's, from outside the tree.
log="$build/mutants-suite.log"
suite() {
    ctest --test-dir "$build" -j "$jobs" --timeout 300 --output-on-failure >"$log" 2>&1 &&
        (cd "$build" && PYTHONPATH="$build/python" VQDF_PROGRAM="$build/vqdf" \
            timeout 900 /usr/bin/python3 -m pytest -q -x -p no:cacheprovider "$root/tests/python" \
            >>"$log" 2>&1)
}
if ! suite; then
    echo "mutants.sh: the suite fails without any patch; fix that first (from $log):" >&2
    grep -E "Failed|FAILED|Error" "$log" | head -n 20 >&2
    exit 2
fi

killed=0
survived=()
declare -A total_in killed_in
for patch in "${patches[@]}"; do
    if ! git apply "$patch"; then
        echo "mutants.sh: $patch does not apply to the tree as it is; update it" >&2
        exit 2
    fi
    applied="$patch"
    area="$(basename "$patch" .patch | cut -d- -f2)"
    total_in["$area"]=$((${total_in["$area"]:-0} + 1))
    if cmake --build "$build" -j "$jobs" >/dev/null 2>&1 && suite; then
        outcome="survived"
        survived+=("$patch")
    else
        outcome="killed"
        killed=$((killed + 1))
        killed_in["$area"]=$((${killed_in["$area"]:-0} + 1))
    fi
    restore
    printf '%-8s %s\n' "$outcome" "$(basename "$patch")"
done
# The last build has the tree as it is again.
cmake --build "$build" -j "$jobs" >/dev/null
total=${#patches[@]}
for area in $(printf '%s\n' "${!total_in[@]}" | sort); do
    echo "  $area: killed ${killed_in[$area]:-0} of ${total_in[$area]}"
done
echo "killed $killed of $total patches ($((100 * killed / total))%)"
for patch in "${survived[@]}"; do
    echo "survived: $patch"
done
