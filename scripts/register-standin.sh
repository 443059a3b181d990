#!/usr/bin/env bash
# Registers the stand-in spreadsheet server as Excel.Application in the project's Wine prefix
# (or the one ZELMO_WINEPREFIX names). Idempotent: registering again replaces an earlier
# registration of the stand-in; the server refuses (non-zero exit) when another program is
# registered as Excel.Application.
#   scripts/register-standin.sh <path to ZelmoSheetServer.exe>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/env.sh"

exe=${1:?usage: register-standin.sh <path to ZelmoSheetServer.exe>}
[ -f "$exe" ] || { echo "register-standin: $exe not found" >&2; exit 1; }
"$ZELMO_ROOT/scripts/lib/wine-run" "$exe" --register-testbed </dev/null
