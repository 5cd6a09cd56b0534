#!/usr/bin/env bash
# The manual page in the tree is the one the program's help makes now (its date line aside).
# Usage: check_manpage.sh VQDF SOURCE_DIR
set -euo pipefail
vqdf="$1"
root="$2"
made="$(mktemp)"
trap 'rm -f "$made"' EXIT
"$root/scripts/make-manpage.sh" "$vqdf" "$made"
if ! diff -u <(grep -v '^\.TH ' "$root/docs/vqdf.1") <(grep -v '^\.TH ' "$made"); then
    echo "docs/vqdf.1 is out of date: run scripts/make-manpage.sh build/vqdf docs/vqdf.1" >&2
    exit 1
fi
