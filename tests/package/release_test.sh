#!/usr/bin/env bash
# The release package as a Windows user gets it. scripts/package makes the zip; it is unzipped into
# a folder whose name holds Japanese in a fresh Wine prefix where nothing is registered (made as the
# project's prefix is, Japanese locale and fonts, but without the test bed's registration of the
# stand-in), and the program is run from there: a merge and a split through its windows. Then no
# server process may be left, the outputs must hold the right sheets, and nothing may be
# registered under Excel's ProgID, class or interface identifiers.
#   release_test.sh <wintool.exe> <work folder>
set -euo pipefail
tool_exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
mkdir -p "$work"
work=$(cd "$work" && pwd)

fail() { echo "release test: $*" >&2; exit 1; }

echo "== package"
bash "$root/scripts/package" >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "scripts/package failed"; }
zip=$(sed -n 's/^package: \(dist\/.*\.zip\)$/\1/p' "$work/package.log" | tail -n 1)
[ -n "$zip" ] && [ -f "$root/$zip" ] || fail "scripts/package named no zip"
zip="$root/$zip"

# A prefix of this test's own; every Wine command below runs in it.
export ZELMO_WINEPREFIX="$work/wine"
source "$root/scripts/lib/env.sh"
source "$root/scripts/lib/session.sh"
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    end_session  # this prefix's Wine processes, and the display if it was started here
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ] || [ -z "${ZELMO_SESSION:-}" ]; then
    start_xvfb
fi
export ZELMO_SESSION=1

echo "== fresh prefix"
rm -rf "$WINEPREFIX"
bash "$root/scripts/setup-prefix.sh" >"$work/prefix.log" 2>&1 || { cat "$work/prefix.log"; fail "no prefix"; }
start_wineserver
warm_up_wine "$tool_exe"
run() { "$root/scripts/lib/wine-run" "$@"; }
tool() { run "$tool_exe" "$@" </dev/null | tr -d '\r'; }

# Installed as a user would: unzipped into a folder of their choosing, here one with a Japanese name.
c="$WINEPREFIX/drive_c"
install="$c/ゼルモ 配布/ExcelZelmo"
/usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$install"
for f in ExcelZelmo.exe ZelmoSheetServer.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [ -s "$install/$f" ] || fail "$f is not in the package"
done
books="$c/月次 ブック"
/usr/bin/python3 "$here/release_books.py" make "$books"
books_win='C:\月次 ブック'

echo "== merge and split through the windows"
source "$here/../support/captions.sh"
# Started from its own folder, as a double click in the Explorer starts it.
(cd "$install" && exec "$root/scripts/lib/wine-run" 'C:\ゼルモ 配布\ExcelZelmo\ExcelZelmo.exe' \
    </dev/null >"$work/app.log" 2>&1) &
app_pid=$!
tool wait-window "$start" 30000 || fail "no start page"
tool click "$start" "スタート"
tool wait-window "$main" 10000 || fail "no main window"

tool click "$main" "ファイル読込"
tool pick-folder "$books_win" 15000 || fail "the folder dialog did not take $books_win"
tool select "$main" "売上.xlsx" "仕入.xlsx" || fail "the merge list lacks the books"
tool click "$main" "実行"
message=$(tool dismiss-message 120000) || fail "no closing message after the merge"
[ "$message" = "新ExcelFile.xlsxでコピーしました" ] || fail "merge: $message"

tool click "$main" "複数シートをファイル分割"
sleep 0.3
tool click "$main" "ファイル読込"
tool pick-folder "$books_win" 15000 || fail "the folder dialog did not take $books_win"
tool select "$main" "分割元.xlsx" || fail "the split list lacks 分割元.xlsx"
tool click "$main" "実行"
message=$(tool dismiss-message 120000) || fail "no closing message after the split"
[ "$message" = "分割元.xlsx分割しました" ] || fail "split: $message"

tool close-window "$main"
tool wait-gone "$main" 10000 || fail "the main window stayed"
tool close-window "$start"
tool wait-gone "$start" 10000 || fail "the start page stayed"
wait "$app_pid" || fail "the program ended with an error"
app_pid=""
tool wait-no-process ZelmoSheetServer.exe 20000 || fail "a server process outlived the program"

echo "== outputs"
/usr/bin/python3 "$here/release_books.py" check "$books" || fail "wrong outputs"

echo "== registry"
# A marker written last shows that the registry files below were written after the run.
run reg add 'HKCU\Software\ZelmoReleaseTest' /v done /d yes /f >/dev/null 2>&1 || fail "reg add failed"
stop_wine
grep -q -i 'ZelmoReleaseTest' "$WINEPREFIX/user.reg" || fail "the registry was not saved"
excel_names=(
    'Excel\.Application'
    '00024500-0000-0000-C000-000000000046'
    '000208D5-0000-0000-C000-000000000046'
    '000208DA-0000-0000-C000-000000000046'
    '000208DB-0000-0000-C000-000000000046'
    '000208D7-0000-0000-C000-000000000046'
    '000208D8-0000-0000-C000-000000000046'
)
found=0
for name in "${excel_names[@]}"; do
    if grep -i -n -E "$name" "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" "$WINEPREFIX/userdef.reg"; then
        found=1
    fi
done
[ "$found" = 0 ] || fail "registered under Excel's names (lines above)"

# The prefix is large; it is kept only when the test fails, for a look.
rm -rf "$WINEPREFIX"
echo "release test: passed"
