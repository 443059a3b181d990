#!/usr/bin/env bash
# Starts the program under Wine, waits for its main window, takes a screenshot of the display
# and closes the program again. Arguments: the program, wintool, the screenshot file.
set -euo pipefail
app=$1 tool=$2 png=$3
run="$(dirname "$0")/../../scripts/lib/wine-run"
caption="Excelゼルモ_2013 Ver0"

"$run" "$app" &
app_pid=$!
trap 'kill "$app_pid" 2>/dev/null || true' EXIT

"$run" "$tool" wait-window "$caption" 30000
sleep 0.5
mkdir -p "$(dirname "$png")"
import -window root "$png"
"$run" "$tool" close-window "$caption"
"$run" "$tool" wait-gone "$caption" 10000
wait "$app_pid"
trap - EXIT
[ -s "$png" ]
echo "screenshot: $png"
