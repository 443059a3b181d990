#!/usr/bin/env bash
# Creates the project's Wine prefix in .local/wine: 64-bit, made in a Japanese locale (ANSI code
# page 932), Japanese font substitutes, and a registry virtual desktop. Idempotent.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/env.sh"
source "$ZELMO_ROOT/scripts/lib/session.sh"

STAMP="$WINEPREFIX/.zelmo-prefix-v1"

# The Japanese locale for Wine, made privately without changing the system's locales.
if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null || [ -d "$LOCPATH/ja_JP.UTF-8" ]
fi

# Wine draws the title-bar buttons with Marlett, which it finds only in the prefix's Fonts folder.
ensure_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
}

if [ -f "$STAMP" ]; then
    ensure_fonts
    echo "setup-prefix: up to date"
    exit 0
fi

own_display=0
if [ -z "${DISPLAY:-}" ] || [ -z "${ZELMO_SESSION:-}" ]; then
    start_xvfb
    own_display=1
fi
trap '[ "$own_display" = 1 ] && end_session' EXIT

rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
wine_locale "$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

# Registry settings. A .reg file with full-width names must be UTF-16LE with a byte-order mark.
reg="$ZELMO_LOCAL/zelmo-prefix.reg"
{
    printf '\xff\xfe'
    iconv -f UTF-8 -t UTF-16LE <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS Gothic"="IPAGothic"
"ＭＳ Ｐ明朝"="IPAPMincho"
"ＭＳ 明朝"="IPAMincho"
"MS Shell Dlg"="MS UI Gothic"
"MS Shell Dlg 2"="MS UI Gothic"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
} >"$reg"
wine_locale "$WINE" regedit /S "$(wine_locale "$WINE" winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
"$WINESERVER" -w

ensure_fonts
touch "$STAMP"
echo "setup-prefix: Wine prefix ready in $WINEPREFIX"
