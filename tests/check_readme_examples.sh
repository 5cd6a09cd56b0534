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

# The drive the examples talk to: a Modbus TCP server on 127.0.0.1:5020 holding the example's
# registers, stopped when the script ends.
VQDF_PROGRAM="$vqdf" /usr/bin/python3 -c "
import json, sys
sys.path.insert(0, '$tests')
import modbus_test
json.dump(modbus_test.example_registers(), open('registers.json', 'w'))"
/usr/bin/python3 "$tests/modbus_server.py" 5020 registers.json &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/5020) 2>/dev/null && break
    sleep 0.05
done

failures=0
count=0
while IFS= read -r line; do
    command="${line#    }"
    expected=0
    if [[ "$command" =~ \#\ exit\ status\ ([0-9]+)$ ]]; then
        expected="${BASH_REMATCH[1]}"
    fi
    bash -c "$command" >/dev/null 2>stderr.txt
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
