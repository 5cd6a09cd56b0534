#!/usr/bin/env bash
# The bash completion of vqdf offers the commands, each command's options and the values of its
# options, and data files for the rest. Usage: check_completion.sh COMPLETION EXAMPLES_DIR VQDF
# (the program, which lists the rules that --ignore and --error complete).
set -uo pipefail
shopt -s extglob
source "$1"
cd "$2"
vqdf="$3"
failures=0
expect() {
    local expected="$1"
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _vqdf
    local got
    got="$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')"
    if [ "$got" != "$expected" ]; then
        echo "'$*' completes to '$got', not '$expected'" >&2
        failures=$((failures + 1))
    fi
}
expect "show" vqdf sh
expect "convert" vqdf --verbose con
expect "--section" vqdf show --sec
expect "groups" vqdf show --section gr
expect "device,terminals device,trips" vqdf show --section device,t
expect "--csv" vqdf watch --cs
expect "--give-up" vqdf watch --gi
expect "--format" vqdf convert a.json b.inv --fo
expect "inv" vqdf convert a.json b.inv --format i
expect "--strict" vqdf convert a.json --st
expect "--summary" vqdf check --su
expect "--titles" vqdf schema --t
expect "watch write" vqdf w
expect "simulate" vqdf si
expect "backup" vqdf ba
expect "--defaults" vqdf compare --def
expect "--parameter-set" vqdf schema --pa
expect "--script --set" vqdf simulate --s
expect "--dry-run" vqdf write --dr
expect "E" vqdf read --parity E
expect "M1_1_05.json" vqdf diff M1_1_05
expect "M1_1_05_Title.json" vqdf --titles M1_1
expect "DataFile" vqdf check Data
expect "--ignore" "$vqdf" check --ig
expect "title-empty,text-cut" "$vqdf" check --ignore title-empty,text
expect "address-shared" "$vqdf" check --error addr
exit $((failures > 0))
