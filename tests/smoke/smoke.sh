#!/usr/bin/env bash
# Starts the program under Wine, waits for its start page, presses "スタート", waits for the main
# window, takes a screenshot of the display and closes both windows, after which the program must
# end by itself. Arguments: the program, wintool, the screenshot file.
set -euo pipefail
app=$1 tool=$2 png=$3
run="$(dirname "$0")/../../scripts/lib/wine-run"
source "$(dirname "$0")/../support/captions.sh"

"$run" "$app" &
app_pid=$!
trap 'kill "$app_pid" 2>/dev/null || true' EXIT

"$run" "$tool" wait-window "$start" 30000
"$run" "$tool" click "$start" "スタート"
"$run" "$tool" wait-window "$main" 10000
sleep 0.5
mkdir -p "$(dirname "$png")"
import -window root "$png"
"$run" "$tool" close-window "$main"
"$run" "$tool" wait-gone "$main" 10000
"$run" "$tool" close-window "$start"
"$run" "$tool" wait-gone "$start" 10000
wait "$app_pid"
trap - EXIT
[ -s "$png" ]
echo "screenshot: $png"
