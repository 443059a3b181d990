#!/usr/bin/env bash
# Fuzzes the workbook-package engine with libFuzzer (clang, AddressSanitizer, UBSan):
#   scripts/fuzz.sh [seconds]      (default 600)
# Configures and builds build/fuzz (-DZELMO_FUZZ=ON), seeds it with the test workbooks (as zips and
# as part lists, see tests/fuzz/fuzz_driver.h), and runs one job at low priority in a child process
# (-fork=1), so that fuzzing goes on after a crash. The corpus grows in
# build/fuzz/corpus across runs; crashes, timeouts and out-of-memory inputs land in
# build/fuzz/artifacts: copy each to tests/data/fuzz-regressions/ once it is fixed.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SECONDS_TO_RUN=${1:-600}
BUILD="$ROOT/build/fuzz"

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELMO_SANITIZE=ON -DZELMO_FUZZ=ON >/dev/null
nice -n 10 cmake --build "$BUILD" --target xlsx_fuzz -j 1

SEEDS="$BUILD/seeds"
mkdir -p "$SEEDS" "$BUILD/corpus" "$BUILD/artifacts" "$BUILD/logs"
python3 - "$ROOT/tests/data" "$SEEDS" <<'PY'
import pathlib, sys, zipfile
data, seeds = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
for path in sorted(data.rglob("*.xlsx")):
    raw = path.read_bytes()
    if len(raw) > 200000:
        continue
    name = path.stem
    (seeds / (name + ".xlsx")).write_bytes(raw)
    try:
        with zipfile.ZipFile(path) as z:
            records = [i.filename.encode() + b"\n" + z.read(i) for i in z.infolist()]
    except Exception:
        continue
    listed = b"\x01".join(records)
    if len(listed) <= 200000:
        (seeds / (name + ".parts")).write_bytes(listed)
PY

LOG="$BUILD/logs/run-$(date -u +%Y%m%dT%H%M%S).log"
echo "fuzz: ${SECONDS_TO_RUN}s, log $LOG"
set +e
nice -n 10 "$BUILD/tests/fuzz/xlsx_fuzz" "$BUILD/corpus" "$SEEDS" \
    -dict="$ROOT/tests/fuzz/xlsx.dict" -max_len=200000 -rss_limit_mb=2048 -timeout=10 \
    -max_total_time="$SECONDS_TO_RUN" -print_final_stats=1 \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -artifact_prefix="$BUILD/artifacts/" 2>&1 | tee "$LOG" | grep -E '^#[0-9]+: cov|INFO: fuzzed for|ERROR|SUMMARY|^stat::'
rc=${PIPESTATUS[0]}
set -e
echo "fuzz: exit $rc; artifacts:"; ls -l "$BUILD/artifacts"
exit "$rc"
