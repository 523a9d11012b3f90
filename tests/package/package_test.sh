#!/bin/sh
# The Debian package: made by CPack from the build, clean for lintian, its desktop entry and
# metainfo valid, and the programs working from a scratch root where it was unpacked.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -u
build="$1"
src="$2"
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$dir/deb" >"$dir/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$dir/cpack.log")"
deb="$dir/deb/cravent_1.002_amd64.deb"
[ -f "$deb" ] || fail "no $deb: $(ls "$dir/deb")"

# Exactly these files, nothing from the build tree.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$dir/files"
sort >"$dir/expected" <<'LIST'
./usr/bin/cravent
./usr/bin/cravent-cli
./usr/bin/cravent-sim
./usr/lib/cravent/cravent-sheet-reader
./usr/share/applications/example.velmora.cravent.desktop
./usr/share/bash-completion/completions/cravent-cli
./usr/share/cravent/program-folder.txt
./usr/share/doc/cravent/changelog.gz
./usr/share/doc/cravent/copyright
./usr/share/icons/hicolor/128x128/apps/example.velmora.cravent.png
./usr/share/icons/hicolor/16x16/apps/example.velmora.cravent.png
./usr/share/icons/hicolor/24x24/apps/example.velmora.cravent.png
./usr/share/icons/hicolor/256x256/apps/example.velmora.cravent.png
./usr/share/icons/hicolor/32x32/apps/example.velmora.cravent.png
./usr/share/icons/hicolor/48x48/apps/example.velmora.cravent.png
./usr/share/icons/hicolor/64x64/apps/example.velmora.cravent.png
./usr/share/icons/hicolor/scalable/apps/example.velmora.cravent.svg
./usr/share/man/man1/cravent-cli.1.gz
./usr/share/man/man1/cravent-sim.1.gz
./usr/share/man/man1/cravent.1.gz
./usr/share/metainfo/example.velmora.cravent.metainfo.xml
LIST
diff -u "$dir/expected" "$dir/files" >"$dir/diff" || fail "package contents differ: $(cat "$dir/diff")"
dpkg-deb -c "$deb" | awk '{ print $2 }' | grep -vx root/root && fail "files not owned by root"
for library in libqt6widgets6 libmodbus5; do
    dpkg-deb -f "$deb" Depends | grep -q "$library" || fail "Depends lacks $library, which dpkg-shlibdeps finds"
done

lintian --fail-on error "$deb" >"$dir/lintian" 2>&1 || fail "lintian: $(cat "$dir/lintian")"
# The programs carry the hardening of Debian's own: checked functions, read-only relocations.
lintian -I --tags hardening-no-fortify-functions,hardening-no-bindnow,hardening-no-relro "$deb" \
    >"$dir/hardening" 2>/dev/null
[ -s "$dir/hardening" ] && fail "not hardened: $(cat "$dir/hardening")"

root="$dir/root"
dpkg -x "$deb" "$root" || fail "dpkg -x"
desktop-file-validate "$root/usr/share/applications/example.velmora.cravent.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/example.velmora.cravent.metainfo.xml" \
    >"$dir/appstream" 2>&1 || fail "appstreamcli: $(cat "$dir/appstream")"
for page in cravent cravent-cli cravent-sim; do
    man -l "$root/usr/share/man/man1/$page.1.gz" >/dev/null 2>&1 || fail "man page $page"
done
[ "$(file -b --mime-type "$root/usr/share/icons/hicolor/48x48/apps/example.velmora.cravent.png")" = image/png ] ||
    fail "48x48 icon is not a PNG"

# The programs as installed: nothing of the build tree or of this user's home is used.
cli="$root/usr/bin/cravent-cli"
export HOME="$dir/home" XDG_DATA_HOME="$dir/data"
unset CRAVENT_SHEET_READER
mkdir -p "$HOME"
[ "$("$cli" --version)" = "cravent-cli 1.002" ] || fail "installed --version"
"$root/usr/bin/cravent-sim" --help >"$dir/sim-help" 2>&1 || fail "installed cravent-sim --help: $(cat "$dir/sim-help")"
grep -q '^Usage: cravent-sim CONFIG' "$dir/sim-help" || fail "cravent-sim --help: $(cat "$dir/sim-help")"
for option in $(grep -o -- '--[a-z-]*' "$dir/sim-help" | sort -u); do
    grep -q -- "^\*$option\*" "$src/packaging/cravent-sim.1.scd" || fail "cravent-sim(1) lacks $option"
done
[ "$("$cli" --print-app-dir)" = "$XDG_DATA_HOME/cravent" ] || fail "installed program folder: $("$cli" --print-app-dir)"
[ "$(env -u XDG_DATA_HOME "$cli" --print-app-dir)" = "$HOME/.local/share/cravent" ] ||
    fail "program folder without XDG_DATA_HOME"
[ "$("$cli" --app-dir "$dir/own" --print-app-dir)" = "$dir/own" ] || fail "--app-dir of the installed program"

app="$XDG_DATA_HOME/cravent"
p="$app/PROJECTS/P1"
mkdir -p "$p/bin"
printf '%s' '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="30"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>502</Port></GeneralParameter>' >"$p/pargen.xml"
# The import runs the helper from /usr/lib/cravent of the scratch root; the fixture has a gap
# after its third frame, which --keep-first saves.
"$cli" import --keep-first "$p" rx-frames "$src/tests/fixtures/sheets/frames.xlsx" 2>"$dir/err" ||
    fail "installed import: $(cat "$dir/err")"
[ -s "$p/RCobDef.xml" ] || fail "import wrote no frame list"
SOURCE_DATE_EPOCH=1765291072 "$cli" build "$p" 2>"$dir/err" || fail "installed build: $(cat "$dir/err")"
for n in 1 2 3 4 5; do
    [ "$(wc -c <"$p/bin/bank$n.bin")" -eq 16384 ] || fail "bank$n.bin size"
done
[ -s "$p/bin/bankg.c" ] || fail "no bankg.c"

# update: the master from the program folder, the flashing program found on PATH only.
srec_cat -generate 0x380000 0x380100 -repeat-string CODE \
         -generate 0x388000 0x38C000 -constant 0xEE \
         -generate 0x398000 0x39C000 -constant 0xDD -execution-start-address 0xC000 \
         -o "$app/MASTER/QF40231.sx" -obs=32 -address-length=3 || fail "srec_cat master"
mkdir -p "$dir/tools"
printf '%s\n' '#!/bin/sh' 'printf "%s" "$1" >"$(dirname "$0")/args.tmp"; mv "$(dirname "$0")/args.tmp" "$(dirname "$0")/args"' \
    >"$dir/tools/VuvivOdori.exe"
chmod +x "$dir/tools/VuvivOdori.exe"
PATH="$dir/tools:$PATH" "$cli" update "$p" --flash COM2 >"$dir/out" 2>"$dir/err" ||
    fail "installed update: $(cat "$dir/err")"
i=0; while [ ! -f "$dir/tools/args" ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i+1)); done
printf '"%s"\266%s' "$p/New_QF40231.sx" 1 >"$dir/expected-args"
cmp -s "$dir/tools/args" "$dir/expected-args" || fail "flasher from PATH: $(od -c "$dir/tools/args" 2>&1)"

# The desktop program's first start creates the program folder in a fresh data folder.
export XDG_DATA_HOME="$dir/fresh"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/runtime" \
    "$root/usr/bin/cravent" --screenshot "$dir/shot.png" >"$dir/gui.log" 2>&1 ||
    fail "installed cravent: $(cat "$dir/gui.log")"
[ -d "$XDG_DATA_HOME/cravent/MASTER" ] || fail "cravent/MASTER not created"
[ -d "$XDG_DATA_HOME/cravent/PROJECTS" ] || fail "cravent/PROJECTS not created"
[ "$(file -b --mime-type "$dir/shot.png")" = image/png ] || fail "no window picture"
[ -e "$root/usr/bin/MASTER" ] && fail "the installed program wrote beside itself"
# Every option the desktop program lists is in its manual page.
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/runtime" "$root/usr/bin/cravent" --help 2>/dev/null |
    grep -o -- '--[a-z-]*' | sort -u >"$dir/gui-options"
[ -s "$dir/gui-options" ] || fail "cravent --help lists no option"
while read -r option; do
    grep -q -- "^\*$option\*" "$src/packaging/cravent.1.scd" || fail "cravent(1) lacks $option"
done <"$dir/gui-options"
echo "package: ok"
