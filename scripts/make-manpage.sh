#!/usr/bin/env bash
# Writes the manual page of vqdf from the program's own help: the overview from `vqdf --help`,
# and a section with the help of each command. The date is the one given in SOURCE_DATE_EPOCH, or
# that of the last commit, so that the page only changes when the help does.
# Usage: scripts/make-manpage.sh VQDF OUT
set -euo pipefail
vqdf="$1"
out="$2"
root="$(cd "$(dirname "$0")/.." && pwd)"
: "${SOURCE_DATE_EPOCH:=$(git -C "$root" log -1 --format=%ct -- tools/vqdf 2>/dev/null || echo 0)}"
export SOURCE_DATE_EPOCH
include="$(mktemp)"
trap 'rm -f "$include"' EXIT
{
    echo "[COMMANDS]"
    for command in show dump check convert diff schema read watch write backup restore compare simulate; do
        echo ".SS \"vqdf $command\""
        echo ".nf"
        "$vqdf" "$command" --help | sed -e 's/\\/\\e/g' -e 's/^\./\\\&./'
        echo ".fi"
    done
    echo "[FILES]"
    echo "A JSON data file MODEL_MAJOR_MINOR.json has its titles document"
    echo "MODEL_MAJOR_MINOR_Title.json beside it; a legacy data file is DIR/MODEL/MODEL_MAJOR_MINOR.inv"
    echo "in a DataFile directory."
} >"$include"
help2man --no-info --section 1 \
    --name "show, check, convert and compare drive data files; talk to a drive or stand in for one" \
    --include "$include" --output "$out" "$vqdf"
