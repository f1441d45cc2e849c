#!/usr/bin/env bash
# The yardstick table: whole-document work on generated outlines of 1 KB rich
# pages, each figure beside cp + fsync, cat or grep -c on the same bytes,
# measured in this run. Usage: scale.sh BUILD_DIR [ITEM_COUNTS...]
set -euo pipefail
build="$1"
shift
counts=("$@")
[ ${#counts[@]} -eq 0 ] && counts=(10000 100000)
cli="$build/bin/wrennote-cli"
scale="$build/bench/bench_scale"
work="${TMPDIR:-/tmp}/wrennote-scale"
mkdir -p "$work"
export LC_ALL=C.UTF-8

# Best of runs: "wall cpu" seconds of a command (cpu = user + system). On a
# busy machine the processor time is the steadier of the two.
best() {
    local runs=$1 bw="" bc="" r u s
    shift
    for ((i = 0; i < runs; i++)); do
        read -r r u s < <({ TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>&1; } 2>&1)
        bw=$(awk -v a="$r" -v b="$bw" 'BEGIN { print (b == "" || a < b) ? a : b }')
        bc=$(awk -v a="$u" -v c="$s" -v b="$bc" 'BEGIN { t = a + c; print (b == "" || t < b) ? t : b }')
    done
    echo "$bw $bc"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
copy_sync() { cp "$1" "$2" && sync "$2"; }
# grep -c on the cp932 bytes of a pattern. Piped on: with its output on
# /dev/null grep would stop at the first match.
grep_count() { LC_ALL=C grep -c -F -f "$1" "$2" | cat; }
# Peak resident memory of a command in MB.
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.0f", $1 / 1024 }'; }
row() {
    printf "%-40s %8s %8s %7sx %-9s %7sx\n" "$1" "$2" "$3" "$(ratio "$2" "$5")" "$4" \
        "$(ratio "$3" "$6")"
}

if [ -x "$build/bench/bench_editor" ]; then
    echo "== page switch (bench_editor, offscreen)"
    "$build/bench/bench_editor" --benchmark_filter='ShowRichPage' 2>/dev/null |
        awk '/^ShowRichPage/ { printf "%-40s %8s ms\n", $1, $2 }'
fi

for n in "${counts[@]}"; do
    f="$work/rich-$n.wrn"
    "$cli" generate "$n" "$f" 1 --rich-1k >/dev/null
    cat "$f" >/dev/null # in the page cache for everyone
    mb=$(awk -v s="$(stat -c %s "$f")" 'BEGIN { printf "%.1f", s / 1e6 }')
    out=$("$scale" "$f" "Note" "$work/pages-$n.txt" "$work/saved-$n.wrn")
    get() { echo "$out" | sed -n "s/^$1=//p" | head -1; }
    scan=$("$scale" "$f" "予算について" "$work/pages2-$n.txt" "$work/saved2-$n.wrn")
    sget() { echo "$scan" | sed -n "s/^$1=//p" | head -1; }

    read -r cp_s cp_c < <(best 3 copy_sync "$f" "$work/copy-$n.wrn")
    read -r cat_s cat_c < <(best 5 cat "$f")
    printf '%s' "予算について" | iconv -f UTF-8 -t CP932 >"$work/phrase.pat"
    printf 'Note' >"$work/note.pat"
    read -r grep_s grep_c < <(best 5 grep_count "$work/phrase.pat" "$work/pages-$n.txt")
    read -r grepn_s grepn_c < <(best 5 grep_count "$work/note.pat" "$work/pages-$n.txt")
    grep_lines=$(grep_count "$work/phrase.pat" "$work/pages-$n.txt")
    read -r info_s info_c < <(best 5 "$cli" info "$f")
    read -r search_s search_c < <(best 3 "$cli" search "$f" --text Note)
    hits=$("$cli" search "$f" --text Note | wc -l)
    info_mb=$(peak "$cli" info "$f")
    rt_mb=$(peak "$cli" roundtrip "$f" "$work/rt-$n.wrn")
    rm -f "$work/copy-$n.wrn" "$work/pages2-$n.txt" "$work/rt-$n.wrn" "$work/saved-$n.wrn"* \
        "$work/saved2-$n.wrn"*

    echo "== $n items, $mb MB; wall (processor) seconds: cp+fsync $cp_s ($cp_c)," \
        "cat $cat_s ($cat_c), grep -c $grep_s ($grep_c, $grep_lines lines)"
    printf "%-40s %8s %8s %8s %-9s %8s\n" "measurement" "wall" "cpu" "ratio" "against" "cpu ratio"
    row "save after one edit" "$(get save_s)" "$(get save_cpu_s)" "cp+fsync" "$cp_s" "$cp_c"
    row "core load (wrennote-cli info)" "$info_s" "$info_c" "cat" "$cat_s" "$cat_c"
    row "scan, Japanese phrase, any case" "$(sget scan_nocase_s)" "$(sget scan_nocase_cpu_s)" \
        "grep -c" "$grep_s" "$grep_c"
    row "scan, Japanese phrase, case kept" "$(sget scan_case_s)" "$(sget scan_case_cpu_s)" \
        "grep -c" "$grep_s" "$grep_c"
    row "scan, Note (on every page), any case" "$(get scan_nocase_s)" "$(get scan_nocase_cpu_s)" \
        "grep -c" "$grepn_s" "$grepn_c"
    printf "%-40s %8s %8s  (%s hits)\n" "wrennote-cli search printing every hit" "$search_s" \
        "$search_c" "$hits"
    printf "%-40s %8s MB (open peak %s MB)\n" "memory a save adds to the peak" \
        "$(get save_added_MB)" "$(get open_peak_MB)"
    printf "%-40s %8s MB (info alone %s MB)\n" "peak of roundtrip (load + save)" "$rt_mb" "$info_mb"
    printf "%-40s %8s (freeing item by item: %s)\n" "exit with the document loaded" \
        "$(get exit_s)" "$(get free_s)"
done
