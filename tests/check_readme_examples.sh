#!/usr/bin/env bash
# Runs every command of the README's vqdf section as written, in a fresh copy of the examples
# with build/vqdf beside them, and checks its exit status: 0, or the one its comment names
# ("# exit status 1"), and that a command that succeeds says nothing on standard error.
# Usage: check_readme_examples.sh README VQDF EXAMPLES_DIR
set -uo pipefail
readme="$(realpath "$1")"
vqdf="$(realpath "$2")"
examples="$3"
tests="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build"
cp -r "$examples" "$work/examples"
ln -s "$vqdf" "$work/build/vqdf"
cd "$work"

# The drive the examples talk to: a Modbus TCP server of the example's registers on a free port
# of 127.0.0.1, checked to be this script's own; the examples' 127.0.0.1:5020 is replaced by its
# place. It is stopped when the script ends.
read -r place server < <(VQDF_PROGRAM="$vqdf" /usr/bin/python3 "$tests/modbus_test.py" "$work")
if [ -z "${server:-}" ]; then
    echo "the drive's stand-in did not start" >&2
    exit 1
fi
trap 'kill "$server" 2>/dev/null; rm -rf "$work"' EXIT

failures=0
count=0
while IFS= read -r line; do
    command="${line#    }"
    expected=0
    if [[ "$command" =~ \#\ exit\ status\ ([0-9]+)$ ]]; then
        expected="${BASH_REMATCH[1]}"
    fi
    bash -c "${command//127.0.0.1:5020/$place}" >/dev/null 2>stderr.txt
    status=$?
    count=$((count + 1))
    if [ "$status" -ne "$expected" ]; then
        echo "'$command' exits with $status, not $expected:" >&2
        cat stderr.txt >&2
        failures=$((failures + 1))
    elif [ "$expected" -eq 0 ] && [ -s stderr.txt ]; then
        echo "'$command' writes to standard error:" >&2
        cat stderr.txt >&2
        failures=$((failures + 1))
    fi
done < <(sed -n '/^## vqdf$/,/^## /p' "$readme" | grep -E '^    (build/vqdf|mkdir) ')
if [ "$count" -lt 10 ]; then
    echo "only $count commands found in the README's vqdf section" >&2
    exit 1
fi
exit $((failures > 0))
