# Sourced by the project's scripts: where things live and how Wine is run.
ZELMO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
ZELMO_LOCAL="$ZELMO_ROOT/.local"
export ZELMO_ROOT ZELMO_LOCAL

# A helper or a parallel run may use a prefix of its own.
export WINEPREFIX="${ZELMO_WINEPREFIX:-$ZELMO_LOCAL/wine}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LOCPATH="$ZELMO_LOCAL/locale"

WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINE WINESERVER

# Wine programs run in a Japanese locale: ANSI code page 932.
wine_locale() { env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$@"; }
