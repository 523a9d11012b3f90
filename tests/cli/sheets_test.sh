#!/bin/sh
# cravent-cli import and export: workbooks written by other programs, the editor's checks, and
# nothing saved when a workbook is unreadable, lacks the worksheet or crashes the reader.
set -u
cli="$1"
fixtures="$2"
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
p="$dir/P1"
mkdir -p "$p/bin"

# Frame list from an .xlsx: the list ends at the empty row 5 of the worksheet, and row 6 after
# it is lost, so only --keep-first saves the frames before the gap.
"$cli" import "$p" rx-frames "$fixtures/frames.xlsx" >"$dir/out" 2>"$dir/err" && fail "a gap must stop the import"
grep -qxF "Workbook \"$fixtures/frames.xlsx\", worksheet \"rpdodef\", row 5: no COB-ID, so the frame list ends here; 1 record after it holds something and was left out, the first at row 6; nothing was saved (--keep-first saves the 3 frames before the gap)" "$dir/err" ||
    fail "gap message: $(cat "$dir/err")"
[ -e "$p/RCobDef.xml" ] && fail "a refused import saved RCobDef.xml"
"$cli" import --keep-first "$p" rx-frames "$fixtures/frames.xlsx" >"$dir/out" 2>"$dir/err" || fail "import rx-frames: $(cat "$dir/err")"
[ -s "$dir/out" ] && fail "an import prints nothing on standard output"
grep -qxF "Workbook \"$fixtures/frames.xlsx\", worksheet \"rpdodef\", row 5: no COB-ID, so the frame list ends here; 1 record after it holds something and was left out, the first at row 6; the 3 frames before it were saved" "$dir/err" ||
    fail "--keep-first note: $(cat "$dir/err")"
[ "$(cat "$p/RCobDef.xml")" = '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/><row CobID="641" Dimensin="2" Mnemonic=""/><row CobID="385" Dimensin="8" Mnemonic="Öldruck °C"/></COBID>' ] ||
    fail "RCobDef.xml: $(cat "$p/RCobDef.xml")"

# Map from an .ods: 130 goes to frame 2, saved in register index order.
"$cli" import "$p" rx-map "$fixtures/frames.ods" 2>"$dir/err" || fail "import rx-map: $(cat "$dir/err")"
[ -s "$dir/err" ] && fail "no row skipped with three frames: $(cat "$dir/err")"
[ "$(cat "$p/RInfoCob.xml")" = '<RInfoCob><row Index="0" NrPdo="1" PosComp="33"/><row Index="1" NrPdo="1" PosComp="16"/><row Index="5" NrPdo="2" PosComp="0"/><row Index="7" NrPdo="3" PosComp="17"/><row Index="0x10" NrPdo="2" PosComp="18"/></RInfoCob>' ] ||
    fail "RInfoCob.xml: $(cat "$p/RInfoCob.xml")"

# Export: CR LF lines, the map in editor order.
"$cli" export "$p" rx-frames || fail "export rx-frames"
[ "$(od -An -c "$p/rpdodef.csv" | tr -d ' \n')" = \
  'cobid,id_dev_orig,en_bypass,posind,n_tpdo\r\n0x181,8,0,0,0\r\n641,2,0,0,0\r\n385,8,0,0,0\r\n' ] ||
    fail "rpdodef.csv: $(cat "$p/rpdodef.csv")"
[ "$(head -1 "$p/rpdodef.csv")" = "$(printf 'cobid,id_dev_orig,en_bypass,posind,n_tpdo \r')" ] || fail "header blank"
"$cli" export "$p" rx-map || fail "export rx-map"
[ "$(cat "$p/RInfoCob.csv")" = "$(printf '0,1,33,\r\n1,1,16,\r\n5,2,0,\r\n0x10,2,18,\r\n7,3,17,\r')" ] ||
    fail "RInfoCob.csv: $(cat "$p/RInfoCob.csv")"
# The transmit list has no file yet: its export replaces the receive frames with the header.
"$cli" export "$p" tx-frames || fail "export tx-frames"
[ "$(cat "$p/rpdodef.csv")" = "$(printf 'cobid,id_dev_orig,en_bypass,posind,n_tpdo \r')" ] || fail "tx export"

# An export imports again.
cp "$p/RInfoCob.xml" "$dir/map.before"
"$cli" import "$p" rx-map "$p/RInfoCob.csv" || fail "import of an export"
cmp -s "$p/RInfoCob.xml" "$dir/map.before" || fail "round trip changed the map"

# A map imported before its frame list: every row is skipped, and the CLI says so.
mkdir "$dir/P2"
"$cli" import "$dir/P2" tx-map "$fixtures/frames.xlsx" 2>"$dir/err" || fail "map without frames"
grep -qxF "Workbook \"$fixtures/frames.xlsx\", worksheet \"TInfoCob\": 1 row (row 2) named no frame of the list (0 frames) and was skipped; the 0 entries of the other rows were saved" "$dir/err" ||
    fail "skipped note: $(cat "$dir/err")"
[ "$(cat "$dir/P2/TInfoCob.xml")" = '<TInfoCob/>' ] || fail "TInfoCob.xml: $(cat "$dir/P2/TInfoCob.xml")"

# Nothing saved: missing worksheet, not a workbook, a workbook that crashes the reader.
cp "$p/RCobDef.xml" "$dir/frames.before"
expect_refused() { # kind workbook message
    "$cli" import "$p" "$1" "$2" >/dev/null 2>"$dir/err"; rc=$?
    [ $rc -eq 1 ] || fail "import $1 $2 must exit 1, not $rc"
    grep -qF "$3" "$dir/err" || fail "import $1 $2 message: $(cat "$dir/err")"
    cmp -s "$p/RCobDef.xml" "$dir/frames.before" || fail "import $1 $2 changed RCobDef.xml"
    cmp -s "$p/RInfoCob.xml" "$dir/map.before" || fail "import $1 $2 changed RInfoCob.xml"
}
expect_refused rx-frames "$fixtures/nosheet.xls" \
    "Workbook \"$fixtures/nosheet.xls\" has no worksheet \"rpdodef\" (its worksheets: \"Sheet1\"); nothing was saved"
expect_refused rx-map "$fixtures/frames.xls.missing" "Cannot read workbook \"$fixtures/frames.xls.missing\": the file cannot be opened (No such file or directory)"
expect_refused rx-frames "$fixtures/notes.xls" "Cannot read workbook \"$fixtures/notes.xls\": not a workbook"
expect_refused rx-frames "$fixtures/truncated.xlsx" "Cannot read workbook"
# (FreeXL 1.0.6 dies on it: "the workbook reader crashed (signal 11, Segmentation fault)")
expect_refused rx-frames "$fixtures/crash.xls" "Cannot read workbook \"$fixtures/crash.xls\": "

# The editor's check before saving, with its message.
printf 'cobid,dim\r\n0x181,8\r\n0x800,8\r\n' >"$dir/rpdodef.csv"
expect_refused rx-frames "$dir/rpdodef.csv" "Error in row 2!! The CobID in CAN 2.0A must between 0 and 2047"
printf '<GeneralParameter><CANType>1</CANType></GeneralParameter>' >"$p/pargen.xml"
"$cli" import "$p" tx-frames "$dir/rpdodef.csv" || fail "2.0B accepts 0x800"
grep -q 'CobID="0x800"' "$p/TCobDef.xml" || fail "TCobDef.xml"

# A map row whose frame number is no integer: the editor stops silently, the CLI saves nothing.
printf '0,1,33,\r\n1,x,16,\r\n' >"$dir/RInfoCob.csv"
expect_refused rx-map "$dir/RInfoCob.csv" "Workbook \"$dir/RInfoCob.csv\", worksheet \"RInfoCob\", row 3: 'x' is not a valid integer value (the frame number); nothing was saved"

# More than 250 frames: the first 250 are saved and the rest is reported.
{ echo cobid; i=1; while [ $i -le 253 ]; do echo "$i,8,m"; i=$((i + 1)); done; } >"$dir/rpdodef.csv"
"$cli" import "$p" tx-frames "$dir/rpdodef.csv" 2>"$dir/err" || fail "253 frames: $(cat "$dir/err")"
grep -qF "the 3 rows after them were left out" "$dir/err" || fail "left-out note: $(cat "$dir/err")"
[ "$(grep -o '<row ' "$p/TCobDef.xml" | wc -l)" -eq 250 ] || fail "250 frames saved"

# A write failure keeps the old file and names it.
chmod a-w "$p/rpdodef.csv"
"$cli" export "$p" rx-frames 2>"$dir/err"; [ $? -eq 1 ] || fail "read-only export must exit 1"
grep -qF "Cannot create file \"$p/rpdodef.csv\"." "$dir/err" || fail "read-only message: $(cat "$dir/err")"
[ "$(cat "$p/rpdodef.csv")" = "$(printf 'cobid,id_dev_orig,en_bypass,posind,n_tpdo \r')" ] || fail "old export kept"

# Usage and folders.
"$cli" import "$p" rx-frames >/dev/null 2>&1; [ $? -eq 2 ] || fail "import without workbook must exit 2"
"$cli" import "$p" frames "$fixtures/frames.xls" >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown table must exit 2"
"$cli" export "$p" >/dev/null 2>&1; [ $? -eq 2 ] || fail "export without table must exit 2"
"$cli" export "$dir/none" rx-map 2>"$dir/err"; [ $? -eq 1 ] || fail "missing folder must exit 1"
grep -qx "Project folder \"$dir/none\" not found" "$dir/err" || fail "missing folder message"
echo "cli import/export: ok"
