#!/bin/bash
# Times merge (a) and split (b) of the standard inputs through the whole program under Wine, next to
# the workbook engine alone on the same inputs, in one run, and prints the share of time that COM and
# the program add to the engine's work.
#   bench/program_bench.sh
# Rows, each the median wall time of ZELMO_BENCH_REPEAT runs (default 3):
#   engine (native)   xlsx_bench built for Linux (as bench/engine_bench.sh)
#   engine (Wine)     xlsx_bench.exe under Wine: the same engine as the stand-in server runs
#   ops + COM         ops_bench.exe: MergeBooks / SplitSheets, the COM adapter, the stand-in server
#   UI                the real windows driven once (the e2e test DISABLED_MergeAAndSplitBThroughTheWindows)
# Then the server's journal of one more run, summed per member: where the time of the calls goes.
# Inputs come from /work/shared/bench/peer/make_inputs.py into build/bench (as engine_bench.sh);
# the runs work on copies in build/bench/program, since the outputs land beside their sources.
# ZELMO_WINEPREFIX selects the Wine prefix; ZELMO_BENCH_WINBUILD the Windows build folder.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
PEER_DIR="${ZELMO_BENCH_PEER:-/work/shared/bench/peer}"
PY=/usr/bin/python3
IN="${ZELMO_BENCH_INPUTS:-$ROOT/build/bench}"
WORK="$ROOT/build/bench/program"
NATIVE="$ROOT/build/bench-release"
WINBUILD="${ZELMO_BENCH_WINBUILD:-$ROOT/build/windows-bench}"
REPEAT="${ZELMO_BENCH_REPEAT:-3}"

echo "building ..." >&2
cmake -S "$ROOT" -B "$NATIVE" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELMO_SANITIZE=OFF -DZELMO_BUILD_TESTS=OFF >/dev/null
cmake --build "$NATIVE" --target xlsx_bench >/dev/null
[ -f "$WINBUILD/CMakeCache.txt" ] || cmake --preset windows -B "$WINBUILD" -DZELMO_WERROR=ON >/dev/null
cmake --build "$WINBUILD" --target xlsx_bench ops_bench zelmo_standin e2e_tests wintool >/dev/null

if [ ! -f "$IN/a/book10.xlsx" ] || [ ! -f "$IN/b/fifty.xlsx" ]; then
    echo "generating inputs into $IN ..." >&2
    mkdir -p "$IN"
    (cd "$IN" && "$PY" "$PEER_DIR/make_inputs.py" .)
fi
rm -rf "$WORK"
mkdir -p "$WORK/a" "$WORK/b" "$WORK/engine" "$WORK/logs"
cp "$IN"/a/book*.xlsx "$WORK/a/"
cp "$IN/b/fifty.xlsx" "$WORK/b/"

source "$ROOT/scripts/lib/env.sh"
source "$ROOT/scripts/lib/session.sh"
start_xvfb
start_wineserver
trap end_session EXIT
warm_up_wine "$WINBUILD/bin/wintool.exe"
"$ROOT/scripts/register-standin.sh" "$WINBUILD/bin/ZelmoSheetServer.exe" >/dev/null
RUN="$ROOT/scripts/lib/wine-run"

winpath() { local p="${1//\//\\}"; echo "Z:$p"; }
clean_outputs() { rm -rf "$WORK"/a/新* "$WORK"/b/新* "$WORK"/engine/*; }
# wall <log> <command...>: the wall time of one run in seconds (the run must succeed)
wall() {
    local log="$1"
    shift
    /usr/bin/time -f %e -o "$log.time" "$@" >"$log" 2>&1 </dev/null || { echo "failed: $* (see $log)" >&2; exit 1; }
    cat "$log.time"
}
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

BOOKS=()
for f in "$WORK"/a/book*.xlsx; do BOOKS+=("$(basename "$f")"); done
LIST=$(IFS='|'; echo "${BOOKS[*]}")
WIN_BOOKS=()
for f in "${BOOKS[@]}"; do WIN_BOOKS+=("$(winpath "$WORK/a/$f")"); done

declare -A T
for kind in merge split; do
    native=() wine=() ops=() inner=()
    for ((r = 1; r <= REPEAT; r++)); do
        clean_outputs
        if [ $kind = merge ]; then
            native+=("$(wall "$WORK/logs/$kind-native-$r" "$NATIVE/xlsx/xlsx_bench" merge "$WORK/engine/out.xlsx" "$WORK"/a/book*.xlsx)")
            wine+=("$(wall "$WORK/logs/$kind-wine-$r" "$RUN" "$WINBUILD/xlsx/xlsx_bench.exe" merge "$(winpath "$WORK/engine/out.xlsx")" "${WIN_BOOKS[@]}")")
            ops+=("$(wall "$WORK/logs/$kind-ops-$r" "$RUN" "$WINBUILD/tests/ops/ops_bench.exe" merge "$(winpath "$WORK/a")" "$LIST")")
        else
            native+=("$(wall "$WORK/logs/$kind-native-$r" "$NATIVE/xlsx/xlsx_bench" split "$WORK/b/fifty.xlsx" "$WORK/engine")")
            wine+=("$(wall "$WORK/logs/$kind-wine-$r" "$RUN" "$WINBUILD/xlsx/xlsx_bench.exe" split "$(winpath "$WORK/b/fifty.xlsx")" "$(winpath "$WORK/engine")")")
            ops+=("$(wall "$WORK/logs/$kind-ops-$r" "$RUN" "$WINBUILD/tests/ops/ops_bench.exe" split "$(winpath "$WORK/b")" fifty.xlsx)")
        fi
        grep -q "^message: " "$WORK/logs/$kind-ops-$r" || { echo "no closing message in $WORK/logs/$kind-ops-$r" >&2; exit 1; }
        inner+=("$(awk '/^seconds:/ {print $2}' "$WORK/logs/$kind-ops-$r")")
    done
    T[$kind-native]=$(median "${native[@]}")
    T[$kind-wine]=$(median "${wine[@]}")
    T[$kind-ops]=$(median "${ops[@]}")
    T[$kind-inner]=$(median "${inner[@]}")
    echo "$kind: native ${native[*]} | wine ${wine[*]} | ops ${ops[*]} (in-process ${inner[*]})" >&2
done

# The UI path once: the real windows, the folder dialog, "実行" timed from click to message.
clean_outputs
ZELMO_BENCH_DIR="$(winpath "$WORK")" "$RUN" "$WINBUILD/tests/e2e/e2e_tests.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='ProgramBench.DISABLED_*' >"$WORK/logs/ui" 2>&1 </dev/null || { echo "UI run failed (see $WORK/logs/ui)" >&2; exit 1; }
T[merge-ui]=$(awk '/^ui-merge-a seconds:/ {print $3}' "$WORK/logs/ui")
T[split-ui]=$(awk '/^ui-split-b seconds:/ {print $3}' "$WORK/logs/ui")

# One more run of each with the server's journal: time between successive calls, per member.
for kind in merge split; do
    clean_outputs
    journal="$WORK/logs/$kind-journal.txt"
    if [ $kind = merge ]; then
        ZELMO_STANDIN_JOURNAL="$(winpath "$journal")" "$RUN" "$WINBUILD/tests/ops/ops_bench.exe" merge "$(winpath "$WORK/a")" "$LIST" >/dev/null 2>&1
    else
        ZELMO_STANDIN_JOURNAL="$(winpath "$journal")" "$RUN" "$WINBUILD/tests/ops/ops_bench.exe" split "$(winpath "$WORK/b")" fifty.xlsx >/dev/null 2>&1
    fi
done
clean_outputs

echo
echo "| case | engine (native) | engine (Wine) | ops + COM + stand-in (in-process) | UI | added by COM and program vs engine (Wine) |"
echo "|---|---|---|---|---|---|"
for kind in merge split; do
    label=$([ $kind = merge ] && echo "merge (a) 10 books" || echo "split (b) fifty.xlsx")
    share=$(awk -v o="${T[$kind-ops]}" -v e="${T[$kind-wine]}" 'BEGIN {printf "%+.1f%%", (o - e) / e * 100}')
    echo "| $label | ${T[$kind-native]} s | ${T[$kind-wine]} s | ${T[$kind-ops]} s (${T[$kind-inner]} s) | ${T[$kind-ui]} s | $share |"
done
echo
echo "Server journal (one run each): time up to each call's end since the previous line, summed per member"
for kind in merge split; do
    echo "$kind:"
    # "<ms> <label>.<member> <kind>(...)": the member is the word before " GET(", " METHOD|GET(", ...
    sed -E 's/\r$//' "$WORK/logs/$kind-journal.txt" | awk '
        { ms = $1 + 0; d = (NR > 1) ? ms - prev : ms; prev = ms
          if (match($0, /\.[A-Za-z_]+ [A-Z|]+\(/)) { m = substr($0, RSTART + 1, RLENGTH - 2); sub(/ .*/, "", m) }
          else if ($2 == "server") m = "server " $3
          else m = "other"
          sum[m] += d; n[m]++; total += d }
        END { for (m in sum) printf "  %-22s %7d ms  %4d lines  %5.1f%%\n", m, sum[m], n[m], total ? sum[m] * 100 / total : 0
              printf "  %-22s %7d ms\n", "total", total }' | sort -k2 -n -r
done
