#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for VQDF_FUZZ_SECONDS seconds (60 by default) on a copy
# of its seeds: the examples, the malformed corpus and fuzz/seeds. Any crash, leak, timeout or
# sanitizer report fails the run; the input that caused it is kept in BUILD_DIR/fuzz-findings.
# Usage: scripts/fuzz.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="${VQDF_FUZZ_SECONDS:-60}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/json" "$work/legacy" "$work/title" "$build/fuzz-findings"
separator=$'\n#TITLES#\n'
join_titles() {  # a data file and its titles document as one JSON input
    local data="$1" titles="${1%.json}_Title.json"
    if [ -f "$titles" ]; then
        { cat "$data"; printf '%s' "$separator"; cat "$titles"; } >"$work/json/$(basename "$data")"
    else
        cp "$data" "$work/json/"
    fi
}
join_titles "$root/examples/M1_1_05.json"
for data in "$root"/tests/corpus/*.json; do
    case "$data" in *_Title.json) ;; *) join_titles "$data" ;; esac
done
cp "$root"/fuzz/seeds/json/* "$work/json/"
cp "$root/examples/DataFile/M1/M1_1_05.inv" "$root"/tests/corpus/*.inv "$work/legacy/"
cp "$root"/fuzz/seeds/title/* "$work/title/"

status=0
for pair in json:JsonLoaderFuzzer legacy:LegacyLoaderFuzzer title:TitleFormatFuzzer; do
    corpus="${pair%%:*}"
    target="${pair#*:}"
    log="$work/$target.log"
    if ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16:malloc_context_size=10:allocator_may_return_null=1:max_allocation_size_mb=4096 LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$root/fuzz/ubsan.supp" \
        "$build/fuzz/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
        -max_len=131072 -dict="$root/fuzz/vqdf.dict" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-findings/$target-" "$work/$corpus" >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
        echo "$target: ${runs:-?} executions in ${seconds} s, no findings"
    else
        tail -n 60 "$log"
        echo "$target: a finding; its input is in $build/fuzz-findings" >&2
        status=1
    fi
done
exit "$status"
