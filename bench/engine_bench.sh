#!/bin/bash
# Times the workbook-package engine against the openpyxl peer and a plain unzip + rezip (libzip,
# deflate level 6 like the engine) on the standard inputs, and prints a table of wall time and peak
# memory (/usr/bin/time -v).
#   bench/engine_bench.sh [--resave] [--no-peer] [--skip-peer-c]
# Inputs are generated once into build/bench with ../shared/bench/peer/make_inputs.py (beside the repository) (set
# ZELMO_BENCH_INPUTS to use another folder); with --resave into build/bench-resaved, passed through
# LibreOffice (make_inputs.py --resave) as files saved by a spreadsheet program.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
# The shared folder lies beside the repository (<repo>/../shared), wherever the clone is.
PEER_DIR="${ZELMO_BENCH_PEER:-$(cd "$ROOT/.." && pwd)/shared/bench/peer}"
PY=/usr/bin/python3
BUILD="$ROOT/build/bench-release"
OUT="$ROOT/build/bench/out"
RUN_PEER=1
SKIP_PEER_C=0
RESAVE=0
for arg in "$@"; do
    case "$arg" in
        --resave) RESAVE=1 ;;
        --no-peer) RUN_PEER=0 ;;
        --skip-peer-c) SKIP_PEER_C=1 ;;
        *) echo "usage: $0 [--resave] [--no-peer] [--skip-peer-c]" >&2; exit 2 ;;
    esac
done
IN="${ZELMO_BENCH_INPUTS:-$ROOT/build/bench$([ $RESAVE = 1 ] && echo -resaved || true)}"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELMO_SANITIZE=OFF -DZELMO_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target xlsx_bench -j2 >/dev/null
BENCH="$BUILD/xlsx/xlsx_bench"

if [ ! -f "$IN/c/long.xlsx" ]; then
    echo "generating inputs into $IN ..." >&2
    mkdir -p "$IN"
    (cd "$IN" && "$PY" "$PEER_DIR/make_inputs.py" $([ $RESAVE = 1 ] && echo --resave || true) .)
fi
rm -rf "$OUT"
mkdir -p "$OUT"

# measure <label> <command...>: prints "seconds MiB" (or "failed")
measure() {
    local log="$OUT/time-$1.log"
    shift
    if /usr/bin/time -v -o "$log" "$@" >"$log.out" 2>&1; then
        awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]}
                    /Maximum resident set size/ {m = $2 / 1024}
                    END {printf "%.2f %.0f\n", s, m}' "$log"
    else
        echo "failed"
    fi
}

A=("$IN"/a/book*.xlsx)
declare -a ROWS
run_case() {  # run_case <name> <kind merge|split> <peer allowed 0/1> <inputs...>
    local name="$1" kind="$2" peer_ok="$3"
    shift 3
    local engine peer="-" rezip
    if [ "$kind" = merge ]; then
        engine=$(measure "$name-engine" "$BENCH" merge "$OUT/$name-engine.xlsx" "$@")
        if [ "$RUN_PEER" = 1 ] && [ "$peer_ok" = 1 ]; then
            peer=$(measure "$name-peer" "$PY" "$PEER_DIR/merge_openpyxl.py" "$OUT/$name-peer.xlsx" "$@")
        fi
    else
        engine=$(measure "$name-engine" "$BENCH" split "$1" "$OUT/$name-engine")
        if [ "$RUN_PEER" = 1 ] && [ "$peer_ok" = 1 ]; then
            peer=$(measure "$name-peer" "$PY" "$PEER_DIR/split_openpyxl.py" "$1" "$OUT/$name-peer")
        fi
    fi
    rezip=$(measure "$name-rezip" "$BENCH" rezip "$OUT/$name-rezip" "$@")
    ROWS+=("$name|$engine|$peer|$rezip")
}

peer_c=1
[ "$SKIP_PEER_C" = 1 ] && peer_c=0
run_case "merge-a" merge 1 "${A[@]}"
run_case "merge-b" merge 1 "$IN/b/fifty.xlsx"
run_case "merge-c" merge "$peer_c" "$IN/c/long.xlsx"
run_case "split-a1" split 1 "${A[0]}"
run_case "split-b" split 1 "$IN/b/fifty.xlsx"
run_case "split-c" split "$peer_c" "$IN/c/long.xlsx"

echo
echo "| case | engine | peer (openpyxl) | unzip+rezip | peer/engine time | engine/peer memory | engine/rezip time |"
echo "|---|---|---|---|---|---|---|"
for row in "${ROWS[@]}"; do
    IFS='|' read -r name engine peer rezip <<<"$row"
    read -r et em <<<"$engine"
    read -r rt rm <<<"$rezip"
    if [ "$peer" != "-" ] && [ "$peer" != "failed" ]; then
        read -r pt pm <<<"$peer"
        ratios=$(awk -v et="$et" -v em="$em" -v pt="$pt" -v pm="$pm" \
                 'BEGIN {printf "%.1fx | %.2f", pt / (et > 0 ? et : 0.01), em / pm}')
        peer_cell="$pt s, $pm MiB"
    else
        ratios="- | -"
        peer_cell="$peer"
    fi
    vs_rezip=$(awk -v et="$et" -v rt="$rt" 'BEGIN {printf "%.2fx", et / (rt > 0 ? rt : 0.01)}')
    echo "| $name | $et s, $em MiB | $peer_cell | $rt s, $rm MiB | $ratios | $vs_rezip |"
done
