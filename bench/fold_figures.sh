#!/bin/sh
# Runs each fold case of the library detail benchmark in fresh processes (five
# unless told otherwise) and prints, per process, the longest main-thread stall
# and the 60 Hz frames missed: over the whole run, and for the collapse and the
# expand on their own. Take the figures on an idle machine from a Release build:
#   bench/fold_figures.sh build/bench/bench_library_detail [processes]
# The cases without a fold measure the same waits ("collapse", "expand") with
# nothing pressed: the stalls of the run or of the idle window alone.
set -eu
bench=${1:?usage: $0 <bench_library_detail> [processes]}
processes=${2:-5}

# The counter `name` of a benchmark's console line, or "-".
counter() {
    value=$(printf '%s\n' "$2" | tr ' ' '\n' | sed -n "s/^$1=//p")
    printf '%s' "${value:--}"
}

run() {
    label=$1
    filter=$2
    echo "$label"
    i=1
    while [ "$i" -le "$processes" ]; do
        line=$("$bench" --benchmark_filter="$filter" 2>/dev/null | grep '^BM_' || true)
        if [ -z "$line" ]; then
            echo "  process $i: no result"
        else
            printf '  process %s: longest %s ms, missed %s' "$i" "$(counter longest_stall_ms "$line")" \
                "$(counter missed_frames "$line")"
            case "$line" in
            *collapse_stall_ms*)
                printf ' | collapse %s ms, missed %s | expand %s ms, missed %s' \
                    "$(counter collapse_stall_ms "$line")" "$(counter collapse_missed "$line")" \
                    "$(counter expand_stall_ms "$line")" "$(counter expand_missed "$line")"
                ;;
            esac
            echo
        fi
        i=$((i + 1))
    done
}

run "1x10000 run at 2,000 events/s, no fold (the same waits)" '^BM_RunStreamsIntoTheWindow/seconds:20/fold:0/'
run "same run, folded shut and open with the spring" '^BM_RunStreamsIntoTheWindow/seconds:20/fold:1/'
run "same run, folded at once (reduce motion)" '^BM_RunStreamsIntoTheWindow/seconds:20/fold:2/'
run "100 previewed playlists of 100, no fold (the same waits)" '^BM_FoldAmong100Playlists/fold:0/'
run "100 previewed playlists of 100, folded with the spring" '^BM_FoldAmong100Playlists/fold:1/'
run "100 previewed playlists of 100, folded at once" '^BM_FoldAmong100Playlists/fold:2/'
