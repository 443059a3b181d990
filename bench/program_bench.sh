#!/bin/bash
# Times merges and splits through the whole program under Wine, next to the workbook engine alone
# and the openpyxl peer on the same inputs, in one run, and prints one table.
#   bench/program_bench.sh [--resave] [--no-peer] [--no-scale]
# Cases: merge (a) of the 10 books, split (b) of fifty.xlsx, and (unless --no-scale) merge (d) of
# 200 books of 2 small sheets and split (e) of one book of 300 small sheets.
# Columns, each the median wall time of ZELMO_BENCH_REPEAT runs (default 3) unless said otherwise:
#   engine (native)   xlsx_bench built for Linux (as bench/engine_bench.sh)
#   engine (Wine)     xlsx_bench.exe under Wine: the same engine as the stand-in server runs
#   ops + COM         ops_bench.exe: MergeBooks / SplitSheets, the COM adapter, the stand-in server
#                     (in brackets: inside the process, from the start to the closing message)
#   UI                the real windows driven (the e2e test DISABLED_MergeAAndSplitBThroughTheWindows):
#                     "実行" timed from the click to the closing message box on screen
#   peer              ../shared/bench/peer (beside the repository) merge_openpyxl.py / split_openpyxl.py, once
# Then the server's journal of one more ops run of each case, summed per member: where the time of
# the calls goes.
# Inputs come from ../shared/bench/peer/make_inputs.py into build/bench (with --resave: passed
# through LibreOffice into build/bench-resaved), the scale inputs from bench/make_scale_inputs.py.
# The runs work on copies in the Wine prefix's drive C: (outputs land beside their sources), so that
# the folder dialog shows the folder wherever the clone lies (it does not list hidden folders).
# ZELMO_WINEPREFIX selects the Wine prefix; ZELMO_BENCH_WINBUILD the Windows build folder and
# ZELMO_BENCH_NATIVE the native one (ZELMO_BENCH_NO_BUILD=1: time the programs already there, e.g. a
# copy of an earlier build); ZELMO_BENCH_INPUTS and ZELMO_BENCH_SCALE_INPUTS other input folders.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
# The shared folder lies beside the repository (<repo>/../shared), wherever the clone is.
PEER_DIR="${ZELMO_BENCH_PEER:-$(cd "$ROOT/.." && pwd)/shared/bench/peer}"
PY=/usr/bin/python3
RESAVE=0
RUN_PEER=1
SCALE=1
for arg in "$@"; do
    case "$arg" in
        --resave) RESAVE=1 ;;
        --no-peer) RUN_PEER=0 ;;
        --no-scale) SCALE=0 ;;
        *) echo "usage: $0 [--resave] [--no-peer] [--no-scale]" >&2; exit 2 ;;
    esac
done
SUFFIX=$([ $RESAVE = 1 ] && echo "-resaved" || true)
IN="${ZELMO_BENCH_INPUTS:-$ROOT/build/bench$SUFFIX}"
SCALE_IN="${ZELMO_BENCH_SCALE_INPUTS:-$ROOT/build/bench-scale$SUFFIX}"
NATIVE="${ZELMO_BENCH_NATIVE:-$ROOT/build/bench-release}"
WINBUILD="${ZELMO_BENCH_WINBUILD:-$ROOT/build/windows-bench}"
REPEAT="${ZELMO_BENCH_REPEAT:-3}"
RESAVE_ARG=$([ $RESAVE = 1 ] && echo "--resave" || true)

source "$ROOT/scripts/lib/env.sh"
source "$ROOT/scripts/lib/session.sh"
WORK="$WINEPREFIX/drive_c/zelmo-bench"
WIN_WORK='C:\zelmo-bench'
LOGS="$ROOT/build/bench/program-logs"

if [ "${ZELMO_BENCH_NO_BUILD:-0}" != 1 ]; then
    echo "building ..." >&2
    cmake -S "$ROOT" -B "$NATIVE" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELMO_SANITIZE=OFF -DZELMO_BUILD_TESTS=OFF >/dev/null
    cmake --build "$NATIVE" --target xlsx_bench -j2 >/dev/null
    [ -f "$WINBUILD/CMakeCache.txt" ] || cmake --preset windows -B "$WINBUILD" -DZELMO_WERROR=ON >/dev/null
    cmake --build "$WINBUILD" --target xlsx_bench ops_bench zelmo_standin e2e_tests wintool -j2 >/dev/null
fi

if [ ! -f "$IN/a/book10.xlsx" ] || [ ! -f "$IN/b/fifty.xlsx" ]; then
    echo "generating inputs into $IN ..." >&2
    mkdir -p "$IN"
    (cd "$IN" && "$PY" "$PEER_DIR/make_inputs.py" $RESAVE_ARG .)
fi
if [ $SCALE = 1 ] && [ ! -f "$SCALE_IN/e/many.xlsx" ]; then
    echo "generating scale inputs into $SCALE_IN ..." >&2
    "$PY" "$ROOT/bench/make_scale_inputs.py" "$PEER_DIR" "$SCALE_IN" $RESAVE_ARG
fi
rm -rf "$WORK" "$LOGS"
mkdir -p "$WORK/a" "$WORK/b" "$WORK/engine" "$WORK/peer" "$LOGS"
cp "$IN"/a/book*.xlsx "$WORK/a/"
cp "$IN/b/fifty.xlsx" "$WORK/b/"
KINDS=(merge-a split-b)
if [ $SCALE = 1 ]; then
    mkdir -p "$WORK/d" "$WORK/e"
    cp "$SCALE_IN"/d/small*.xlsx "$WORK/d/"
    cp "$SCALE_IN/e/many.xlsx" "$WORK/e/"
    KINDS+=(merge-d split-e)
fi
# ZELMO_BENCH_CASES (e.g. "split-b merge-d") times only those of the ops and engine runs.
ALL=("${KINDS[@]}")
[ -z "${ZELMO_BENCH_CASES:-}" ] || read -r -a KINDS <<<"$ZELMO_BENCH_CASES"

start_xvfb
start_wineserver
trap end_session EXIT
warm_up_wine "$WINBUILD/bin/wintool.exe"
"$ROOT/scripts/register-standin.sh" "$WINBUILD/bin/ZelmoSheetServer.exe" >/dev/null
RUN="$ROOT/scripts/lib/wine-run"

clean_outputs() { rm -rf "$WORK"/?/新* "$WORK"/engine/* "$WORK"/peer/*; }
# wall <log> <command...>: the wall time of one run in seconds (the run must succeed)
wall() {
    local log="$1"
    shift
    /usr/bin/time -f %e -o "$log.time" "$@" >"$log" 2>&1 </dev/null || { echo "failed: $* (see $log)" >&2; exit 1; }
    cat "$log.time"
}
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# case_inputs <case>: folder, file list of the ops run ("|"-separated), and the input paths
declare -A FOLDER LIST
FOLDER[merge-a]=a FOLDER[split-b]=b FOLDER[merge-d]=d FOLDER[split-e]=e
LIST[split-b]=fifty.xlsx LIST[split-e]=many.xlsx
for kind in merge-a merge-d; do
    names=()
    for f in "$WORK/${FOLDER[$kind]}"/*.xlsx; do [ -f "$f" ] && names+=("$(basename "$f")"); done
    LIST[$kind]=$(IFS='|'; echo "${names[*]}")
done
# ops_run <case> [log]: one run of the operation path
ops_run() {
    local kind="$1" log="$2"
    wall "$log" "$RUN" "$WINBUILD/tests/ops/ops_bench.exe" "${kind%%-*}" "$WIN_WORK\\${FOLDER[$kind]}" "${LIST[$kind]}"
}

declare -A T
for kind in "${KINDS[@]}"; do
    native=() wine=() ops=() inner=()
    dir="$WORK/${FOLDER[$kind]}"
    for ((r = 1; r <= REPEAT; r++)); do
        clean_outputs
        if [ "${kind%%-*}" = merge ]; then
            IFS='|' read -r -a books <<<"${LIST[$kind]}"
            paths=() winpaths=()
            for b in "${books[@]}"; do paths+=("$dir/$b"); winpaths+=("$WIN_WORK\\${FOLDER[$kind]}\\$b"); done
            native+=("$(wall "$LOGS/$kind-native-$r" "$NATIVE/xlsx/xlsx_bench" merge "$WORK/engine/out.xlsx" "${paths[@]}")")
            wine+=("$(wall "$LOGS/$kind-wine-$r" "$RUN" "$WINBUILD/xlsx/xlsx_bench.exe" merge "$WIN_WORK\\engine\\out.xlsx" "${winpaths[@]}")")
        else
            native+=("$(wall "$LOGS/$kind-native-$r" "$NATIVE/xlsx/xlsx_bench" split "$dir/${LIST[$kind]}" "$WORK/engine")")
            wine+=("$(wall "$LOGS/$kind-wine-$r" "$RUN" "$WINBUILD/xlsx/xlsx_bench.exe" split "$WIN_WORK\\${FOLDER[$kind]}\\${LIST[$kind]}" "$WIN_WORK\\engine")")
        fi
        clean_outputs
        ops+=("$(ops_run "$kind" "$LOGS/$kind-ops-$r")")
        grep -q "^message: " "$LOGS/$kind-ops-$r" || { echo "no closing message in $LOGS/$kind-ops-$r" >&2; exit 1; }
        inner+=("$(awk '/^seconds:/ {print $2}' "$LOGS/$kind-ops-$r")")
    done
    T[$kind-native]=$(median "${native[@]}")
    T[$kind-wine]=$(median "${wine[@]}")
    T[$kind-ops]=$(median "${ops[@]}")
    T[$kind-inner]=$(median "${inner[@]}")
    echo "$kind: native ${native[*]} | wine ${wine[*]} | ops ${ops[*]} (in-process ${inner[*]})" >&2
done

# The peer once for the standard cases.
T[merge-a-peer]=- T[split-b-peer]=- T[merge-d-peer]=- T[split-e-peer]=-
if [ $RUN_PEER = 1 ]; then
    clean_outputs
    T[merge-a-peer]=$(wall "$LOGS/merge-a-peer" "$PY" "$PEER_DIR/merge_openpyxl.py" "$WORK/peer/out.xlsx" "$WORK"/a/book*.xlsx)
    T[split-b-peer]=$(wall "$LOGS/split-b-peer" "$PY" "$PEER_DIR/split_openpyxl.py" "$WORK/b/fifty.xlsx" "$WORK/peer")
fi

# The UI path: the real windows, the folder dialog, "実行" timed from click to message.
for ((r = 1; r <= REPEAT; r++)); do
    clean_outputs
    ZELMO_BENCH_DIR="$WIN_WORK" "$RUN" "$WINBUILD/tests/e2e/e2e_tests.exe" --gtest_also_run_disabled_tests \
        --gtest_filter='ProgramBench.DISABLED_*' >"$LOGS/ui-$r" 2>&1 </dev/null || { echo "UI run failed (see $LOGS/ui-$r)" >&2; exit 1; }
done
for kind in "${ALL[@]}"; do
    ui=()
    for ((r = 1; r <= REPEAT; r++)); do
        t=$(awk -v k="ui-$kind" '$1 == k && $2 == "seconds:" {print $3}' "$LOGS/ui-$r")
        [ -n "$t" ] || { echo "no UI time for $kind (see $LOGS/ui-$r)" >&2; exit 1; }
        ui+=("$t")
    done
    T[$kind-ui]=$(median "${ui[@]}")
    echo "$kind: UI ${ui[*]}" >&2
done

# One more run of each with the server's journal: time between successive calls, per member.
for kind in "${ALL[@]}"; do
    clean_outputs
    ZELMO_STANDIN_JOURNAL="$WIN_WORK\\$kind-journal.txt" ops_run "$kind" "$LOGS/$kind-journal-run" >/dev/null
    mv "$WORK/$kind-journal.txt" "$LOGS/"
done
clean_outputs

label_of() {
    case "$1" in
        merge-a) echo "merge (a) 10 books" ;;
        split-b) echo "split (b) fifty.xlsx" ;;
        merge-d) echo "merge (d) 200 small books" ;;
        split-e) echo "split (e) 300 small sheets" ;;
    esac
}
echo
echo "Inputs: $IN$([ $SCALE = 1 ] && echo ", $SCALE_IN")"
echo "| case | engine (native) | engine (Wine) | ops + COM + stand-in (in-process) | UI | peer (openpyxl) | peer / UI | ops / engine (Wine) |"
echo "|---|---|---|---|---|---|---|---|"
for kind in "${ALL[@]}"; do
    for col in native wine ops inner; do [ -n "${T[$kind-$col]:-}" ] || T[$kind-$col]=-; done
    ratio=$(awk -v p="${T[$kind-peer]}" -v u="${T[$kind-ui]}" 'BEGIN {if (p == "-") print "-"; else printf "%.1fx", p / u}')
    share=$(awk -v o="${T[$kind-ops]}" -v e="${T[$kind-wine]}" 'BEGIN {if (o == "-") print "-"; else printf "%.2fx", o / e}')
    peer="${T[$kind-peer]}"
    [ "$peer" = - ] || peer="$peer s"
    echo "| $(label_of "$kind") | ${T[$kind-native]} s | ${T[$kind-wine]} s | ${T[$kind-ops]} s (${T[$kind-inner]} s) | ${T[$kind-ui]} s | $peer | $ratio | $share |"
done
echo
echo "Server journal (one ops run each): time up to each call's end since the previous line, summed per member"
for kind in "${ALL[@]}"; do
    echo "$kind:"
    # "<ms> <label>.<member> <kind>(...)": the member is the word before " GET(", " METHOD|GET(", ...
    sed -E 's/\r$//' "$LOGS/$kind-journal.txt" | awk '
        { ms = $1 + 0; d = (NR > 1) ? ms - prev : ms; prev = ms
          if (match($0, /\.[A-Za-z_]+ [A-Z|]+\(/)) { m = substr($0, RSTART + 1, RLENGTH - 2); sub(/ .*/, "", m) }
          else if ($2 == "server") m = "server " $3
          else m = "other"
          sum[m] += d; n[m]++; total += d }
        END { for (m in sum) printf "  %-22s %7d ms  %4d lines  %5.1f%%\n", m, sum[m], n[m], total ? sum[m] * 100 / total : 0
              printf "  %-22s %7d ms\n", "total", total }' | sort -k2 -n -r
done
