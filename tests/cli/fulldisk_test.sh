#!/bin/sh
# Every command that saves, run on a full file system (a small tmpfs in a private mount
# namespace): exit 1, the file and the system's reason on stderr, every old file unchanged and
# no file left behind.
set -u
cli="$1"
fixtures="$2"
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/master.sh"
dir=$(mktemp -d)
trap 'umount "$dir/P1" 2>/dev/null; rm -rf "$dir"' EXIT
p="$dir/P1"
mkdir -p "$p"
master "$dir/QF40231.sx"

unshare -m --propagation private sh -c "mount -t tmpfs -o size=4m tmpfs '$p'" 2>/dev/null || {
    echo "mount namespaces or tmpfs mounts are not allowed here"
    exit 77
}
export cli fixtures dir p
unshare -m --propagation private sh -c '
    fail() { echo "FAIL: $*"; exit 1; }
    mount -t tmpfs -o size=4m tmpfs "$p" || exit 77
    mkdir -p "$p/bin" "$p/E"
    printf "%s" "<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"30\"/><SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/><Port>502</Port></GeneralParameter>" >"$p/pargen.xml"
    printf "%s" "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"Speed\"/></COBID>" >"$p/RCobDef.xml"
    SOURCE_DATE_EPOCH=1 "$cli" build "$p" || fail "first build"
    "$cli" compose "$p" --master "$dir/QF40231.sx" >/dev/null || fail "first compose"
    "$cli" export "$p" rx-frames || fail "first export"
    # Another project is saved now, onto a full disk.
    printf "%s" "<COBID><row CobID=\"0x182\" Dimensin=\"4\" Mnemonic=\"Torque\"/></COBID>" >"$p/RCobDef.xml"
    dd if=/dev/zero of="$p/filler" bs=4096 2>/dev/null
    before=$(cd "$p" && find . -type f | sort | xargs md5sum)

    run() {
        expected="$1"; shift
        "$cli" "$@" >"$dir/out" 2>"$dir/err"; status=$?
        [ $status -eq 1 ] || fail "$*: exit $status on a full disk: $(cat "$dir/err")"
        grep -qF "Cannot create file \"$p/$expected\". No space left on device" "$dir/err" ||
            fail "$*: message: $(cat "$dir/err")"
        [ "$(cd "$p" && find . -type f | sort | xargs md5sum)" = "$before" ] ||
            fail "$*: files changed or left behind: $(cd "$p" && find . -type f)"
    }
    run bin/bank1.bin build "$p"
    run New_QF40231.sx compose "$p" --master "$dir/QF40231.sx"
    run bin/bank1.bin update "$p" --master "$dir/QF40231.sx"
    run RCobDef.xml import --keep-first "$p" rx-frames "$fixtures/frames.xlsx"
    run RInfoCob.xml import "$p" rx-map "$fixtures/frames.ods"
    run rpdodef.csv export "$p" rx-frames
    # decode writes the whole project or nothing, into a new folder or an empty one.
    run D/pargen.xml decode "$p/New_QF40231.sx" "$p/D"
    [ ! -e "$p/D" ] || fail "decode left the folder $p/D"
    run E/pargen.xml decode "$p/New_QF40231.sx" "$p/E"
    [ -z "$(ls -A "$p/E")" ] || fail "decode left $(ls -A "$p/E") in the empty folder"
    [ -z "$(cd "$p" && find . -name ".*" ! -name .)" ] || fail "decode left $(cd "$p" && find . -name ".*")"
'
status=$?
[ $status -eq 77 ] && { echo "mount namespaces or tmpfs mounts are not allowed here"; exit 77; }
[ $status -eq 0 ] || exit 1
echo "cli full disk: ok"
