#!/usr/bin/env bash
# A mutation run: applies each patch of tests/mutants (a one-line slip of the kind developers
# make) to the library, rebuilds, runs the test suite, and restores the tree. A patch is killed
# when a test fails or the suite cannot run; it survives when every test passes. Prints each patch
# with its outcome and the kill rate at the end.
# Usage: scripts/mutants.sh [BUILD_DIR] [PATCH...]   (BUILD_DIR: build-mutants by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-mutants}"
shift || true
cd "$root"
patches=("$@")
if [ ${#patches[@]} -eq 0 ]; then
    patches=(tests/mutants/*.patch)
fi
if ! git diff --quiet -- src include; then
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
if ! ctest --test-dir "$build" -j "$jobs" --timeout 120 >/dev/null 2>&1; then
    echo "mutants.sh: the suite fails without any patch; fix that first" >&2
    exit 2
fi

killed=0
survived=()
for patch in "${patches[@]}"; do
    if ! git apply "$patch"; then
        echo "mutants.sh: $patch does not apply to the tree as it is; update it" >&2
        exit 2
    fi
    applied="$patch"
    if cmake --build "$build" -j "$jobs" >/dev/null 2>&1 &&
        ctest --test-dir "$build" -j "$jobs" --timeout 120 >/dev/null 2>&1; then
        outcome="survived"
        survived+=("$patch")
    else
        outcome="killed"
        killed=$((killed + 1))
    fi
    restore
    printf '%-8s %s\n' "$outcome" "$(basename "$patch")"
done
# The last build has the tree as it is again.
cmake --build "$build" -j "$jobs" >/dev/null
total=${#patches[@]}
echo "killed $killed of $total patches ($((100 * killed / total))%)"
for patch in "${survived[@]}"; do
    echo "survived: $patch"
done
