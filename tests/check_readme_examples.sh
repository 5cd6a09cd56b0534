#!/usr/bin/env bash
# Runs every command of the README's vqdf section as written, in order and in one shell, in a
# fresh copy of the examples with build/vqdf beside them, and checks its exit status: 0, or the
# one its comment names ("# exit status 1"), and that a command that succeeds says nothing on
# standard error. A command that ends in "&" (the drive's stand-in) runs in the background until
# the section's "kill %1"; the stand-in's 127.0.0.1:5020 becomes a free port of 127.0.0.1.
# Usage: check_readme_examples.sh README VQDF EXAMPLES_DIR
set -uo pipefail
readme="$(realpath "$1")"
vqdf="$(realpath "$2")"
examples="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build"
cp -r "$examples" "$work/examples"
ln -s "$vqdf" "$work/build/vqdf"
cd "$work"

port="$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
commands="$(sed -n '/^## vqdf$/,/^## /p' "$readme" | grep -E '^    (build/vqdf|mkdir|sleep|kill) ' |
    sed -e 's/^    //' -e "s/127\.0\.0\.1:5020/127.0.0.1:$port/g")"
count="$(grep -c '^build/vqdf' <<<"$commands")"
if [ "$count" -lt 10 ]; then
    echo "only $count commands found in the README's vqdf section" >&2
    exit 1
fi

# One script: each command, then the check of how it ended.
{
    echo 'failures=0'
    echo "trap 'kill \$(jobs -p) 2>/dev/null' EXIT"
    echo 'check() {'
    echo '    if [ "$1" -ne "$2" ]; then'
    echo '        echo "'"'"'$3'"'"' exits with $1, not $2:" >&2; cat stderr.txt >&2; failures=$((failures + 1))'
    echo '    elif [ "$2" -eq 0 ] && [ -s stderr.txt ]; then'
    echo '        echo "'"'"'$3'"'"' writes to standard error:" >&2; cat stderr.txt >&2; failures=$((failures + 1))'
    echo '    fi'
    echo '}'
    while IFS= read -r command; do
        expected=0
        if [[ "$command" =~ \#\ exit\ status\ ([0-9]+)$ ]]; then
            expected="${BASH_REMATCH[1]}"
        fi
        run="${command%%  #*}"
        if [[ "$run" == *" &" ]]; then
            echo "${run% &} >/dev/null 2>background.txt &"
        else
            printf '%s >/dev/null 2>stderr.txt\n' "$run"
            printf 'check $? %s %q\n' "$expected" "$command"
        fi
    done <<<"$commands"
    echo 'exit $((failures > 0))'
} >readme.sh
bash readme.sh
status=$?
if [ -s background.txt ]; then
    echo "the README's stand-in wrote to standard error:" >&2
    cat background.txt >&2
    status=1
fi
exit "$status"
