#!/bin/sh
# Remakes docs/main-window.png with the program itself on Qt's offscreen platform.
set -eu
cd "$(dirname "$0")/.."
app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
QT_QPA_PLATFORM=offscreen build/bin/cravent --app-dir "$app" --screenshot docs/main-window.png

# The report window, on a small project of its own.
p="$app/PROJECTS/Demo"
mkdir -p "$p/bin" docs/screenshots
printf '%s' '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="30"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>502</Port></GeneralParameter>' >"$p/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Motor speed"/><row CobID="0x281" Dimensin="4" Mnemonic="Battery"/></COBID>' >"$p/RCobDef.xml"
printf '%s' '<COBID><row CobID="0x201" Dimensin="2" Mnemonic="Command"/></COBID>' >"$p/TCobDef.xml"
printf '%s' '<RInfoCob><row Index="0" NrPdo="1" PosComp="18"/><row Index="1" NrPdo="1" PosComp="52"/><row Index="2" NrPdo="1" PosComp="86"/><row Index="3" NrPdo="1" PosComp="120"/><row Index="10" NrPdo="2" PosComp="33"/><row Index="11" NrPdo="2" PosComp="0x78"/></RInfoCob>' >"$p/RInfoCob.xml"
printf '%s' '<TInfoCob><row Index="100" NrPdo="1" PosComp="18"/></TInfoCob>' >"$p/TInfoCob.xml"
QT_QPA_PLATFORM=offscreen build/bin/cravent --app-dir "$app" --report "$p" \
    --screenshot docs/screenshots/report-window.png
