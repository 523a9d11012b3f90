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
# (FreeXL 1.0.6 died on it; our reader says why it cannot read it)
expect_refused rx-frames "$fixtures/crash.xls" "Cannot read workbook \"$fixtures/crash.xls\": the .xls file is cut short or damaged (a record runs past the end of its data); nothing was saved"

# The editor's check before saving, with its message.
printf 'cobid,dim\r\n0x181,8\r\n0x800,8\r\n' >"$dir/rpdodef.csv"
expect_refused rx-frames "$dir/rpdodef.csv" "Workbook \"$dir/rpdodef.csv\", worksheet \"rpdodef\", row 3: Error in row 2!! The CobID in CAN 2.0A must between 0 and 2047; nothing was saved"
printf '<GeneralParameter><CANType>1</CANType></GeneralParameter>' >"$p/pargen.xml"
"$cli" import "$p" tx-frames "$dir/rpdodef.csv" || fail "2.0B accepts 0x800"
grep -q 'CobID="0x800"' "$p/TCobDef.xml" || fail "TCobDef.xml"

# A map row whose frame number is no integer: the editor stops silently, the CLI saves nothing.
printf '0,1,33,\r\n1,x,16,\r\n' >"$dir/RInfoCob.csv"
expect_refused rx-map "$dir/RInfoCob.csv" "Workbook \"$dir/RInfoCob.csv\", worksheet \"RInfoCob\", row 3: 'x' is not a valid integer value (the frame number); nothing was saved"

# Characters that an XML file cannot hold (pugixml wrote BEL as "&#07;", which xmllint refuses)
# are refused, naming the row and the character; what is saved, xmllint reads.
for c in '\007:U+0007' '\033:U+001B' '\013:U+000B' '\001:U+0001'; do
    printf "cobid,dim,mnemonic\r\n0x181,8,ok\r\n0x182,8,bad${c%%:*}name\r\n" >"$dir/rpdodef.csv"
    expect_refused rx-frames "$dir/rpdodef.csv" "worksheet \"rpdodef\", row 3: Error in row 2!! The Mnemonic holds ${c#*:}, a character that XML files cannot hold; nothing was saved"
done
printf '0,1,\033,\r\n' >"$dir/RInfoCob.csv"
expect_refused rx-map "$dir/RInfoCob.csv" "Register 0 of frame 1: its byte selection holds U+001B, a character that XML files cannot hold"
printf 'cobid,dim,mnemonic\r\n0x181,8,Temp\303\251rature \342\202\254\r\n' >"$dir/rpdodef.csv"
mkdir "$dir/letters"
"$cli" import "$dir/letters" rx-frames "$dir/rpdodef.csv" || fail "a mnemonic of non-ASCII letters"
xmllint --noout "$dir/letters/RCobDef.xml" || fail "xmllint refuses RCobDef.xml: $(cat "$dir/letters/RCobDef.xml")"

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

# Formulas: the stored result is saved; a workbook that stores none (xlwt, openpyxl) saves
# nothing and names the cells. calc.xls is a LibreOffice Calc workbook with an embedded chart.
q="$dir/P3"
mkdir "$q"
for book in calc.xls calc.xlsx gnumeric.xls formula.ods; do
    rm -f "$q/RCobDef.xml"
    "$cli" import "$q" rx-frames "$fixtures/$book" 2>"$dir/err" || fail "import $book: $(cat "$dir/err")"
    [ -s "$dir/err" ] && fail "import $book says: $(cat "$dir/err")"
    [ "$(cat "$q/RCobDef.xml")" = '<COBID><row CobID="385" Dimensin="8" Mnemonic="Speed"/><row CobID="386" Dimensin="8" Mnemonic="OilTemp"/><row CobID="387" Dimensin="8" Mnemonic="Flow"/></COBID>' ] ||
        fail "$book RCobDef.xml: $(cat "$q/RCobDef.xml")"
done
cp "$q/RCobDef.xml" "$dir/q.before"
for book in formula.xls formula.xlsx; do
    "$cli" import "$q" rx-frames "$fixtures/$book" 2>"$dir/err"; rc=$?
    [ $rc -eq 1 ] || fail "import $book must exit 1, not $rc"
    grep -qxF "Workbook \"$fixtures/$book\", worksheet \"rpdodef\": Cells A3, B3, C3 and A4 hold formulas whose results the workbook does not store, so they read as empty (a spreadsheet program stores the results when it saves the workbook); nothing was saved" "$dir/err" ||
        fail "$book message: $(cat "$dir/err")"
    cmp -s "$q/RCobDef.xml" "$dir/q.before" || fail "import $book changed RCobDef.xml"
done
"$cli" import "$q" rx-map "$fixtures/calc.xls" 2>"$dir/err" || fail "map from calc.xls: $(cat "$dir/err")"
[ "$(cat "$q/RInfoCob.xml")" = '<RInfoCob><row Index="0" NrPdo="1" PosComp="33"/></RInfoCob>' ] || fail "calc.xls map: $(cat "$q/RInfoCob.xml")"
cp "$q/RCobDef.xml" "$q/TCobDef.xml"
"$cli" import "$q" tx-map "$fixtures/formula.ods" 2>"$dir/err" && fail "a map formula without result must not be saved"
grep -qF "worksheet \"TInfoCob\": Cell A2 holds a formula whose result the workbook does not store" "$dir/err" || fail "map formula message: $(cat "$dir/err")"
[ -e "$q/TInfoCob.xml" ] && fail "TInfoCob.xml written"

# A workbook in a format we do not read is not called damaged.
"$cli" import "$q" rx-frames "$fixtures/excel95.xls" 2>"$dir/err" && fail "Excel 95 imported"
grep -qxF "Cannot read workbook \"$fixtures/excel95.xls\": it is an Excel 5.0/95 workbook, which this program does not read; save it in the Excel 97-2003 format (.xls) or as .xlsx or .ods; nothing was saved" "$dir/err" ||
    fail "Excel 95 message: $(cat "$dir/err")"

# A gap ends the list: what follows it is named, and saved only with --keep-first.
printf 'cobid,dim\n385,8\n,\n386,8\n' >"$dir/rpdodef.csv"
"$cli" import "$q" rx-frames "$dir/rpdodef.csv" 2>"$dir/err"; [ $? -eq 1 ] || fail "a gap must exit 1"
grep -qxF "Workbook \"$dir/rpdodef.csv\", worksheet \"rpdodef\", row 3: no COB-ID, so the frame list ends here; 1 record after it holds something and was left out, the first at row 4; nothing was saved (--keep-first saves the 1 frame before the gap)" "$dir/err" ||
    fail "gap message: $(cat "$dir/err")"
cmp -s "$q/RCobDef.xml" "$dir/q.before" || fail "a gap changed RCobDef.xml"
"$cli" import "$q" rx-frames --keep-first "$dir/rpdodef.csv" 2>"$dir/err" || fail "--keep-first: $(cat "$dir/err")"
grep -qF "the 1 frame before it was saved" "$dir/err" || fail "--keep-first note: $(cat "$dir/err")"
[ "$(cat "$q/RCobDef.xml")" = '<COBID><row CobID="385" Dimensin="8" Mnemonic=""/></COBID>' ] || fail "--keep-first saved: $(cat "$q/RCobDef.xml")"

# An empty sheet does not empty a list or map that holds something, unless --allow-empty.
printf 'cobid,dim\n' >"$dir/rpdodef.csv"
cp "$q/RCobDef.xml" "$dir/q.before"
"$cli" import "$q" rx-frames "$dir/rpdodef.csv" 2>"$dir/err"; [ $? -eq 1 ] || fail "an empty sheet must exit 1"
grep -qxF "Workbook \"$dir/rpdodef.csv\", worksheet \"rpdodef\": no frames to import, and saving would empty the list of 1 frame in \"$q/RCobDef.xml\"; nothing was saved (--allow-empty saves the empty list)" "$dir/err" ||
    fail "empty list message: $(cat "$dir/err")"
cmp -s "$q/RCobDef.xml" "$dir/q.before" || fail "an empty sheet changed RCobDef.xml"
printf 'index,nr,poscomp\n' >"$dir/RInfoCob.csv"
"$cli" import "$q" rx-map "$dir/RInfoCob.csv" 2>"$dir/err"; [ $? -eq 1 ] || fail "an empty map sheet must exit 1"
grep -qF "no register entries to import, and saving would empty the map of 1 entry in \"$q/RInfoCob.xml\"; nothing was saved (--allow-empty saves the empty map)" "$dir/err" ||
    fail "empty map message: $(cat "$dir/err")"
"$cli" import --allow-empty "$q" rx-frames "$dir/rpdodef.csv" || fail "--allow-empty"
[ "$(cat "$q/RCobDef.xml")" = '<COBID/>' ] || fail "--allow-empty saved: $(cat "$q/RCobDef.xml")"

# A register index that is no integer names its row, as a bad frame number does.
printf '<COBID><row CobID="1" Dimensin="8" Mnemonic=""/><row CobID="2" Dimensin="8" Mnemonic=""/></COBID>' >"$q/RCobDef.xml"
cp "$q/RInfoCob.xml" "$dir/qmap.before"
printf '0,1,33\nabc,2,12\n' >"$dir/RInfoCob.csv"
"$cli" import "$q" rx-map "$dir/RInfoCob.csv" 2>"$dir/err"; [ $? -eq 1 ] || fail "a bad index must exit 1"
grep -qxF "Workbook \"$dir/RInfoCob.csv\", worksheet \"RInfoCob\", row 3: 'abc' is not a valid integer value (the register index); nothing was saved" "$dir/err" ||
    fail "bad index message: $(cat "$dir/err")"
cmp -s "$q/RInfoCob.xml" "$dir/qmap.before" || fail "a bad index changed RInfoCob.xml"

# Stray cells far down or right: only records that hold something in the fields read count.
python3 - "$dir" <<'PY'
import sys, zipfile
def book(path, cells):
    rows = {}
    for ref, value in cells:
        rows.setdefault(int("".join(c for c in ref if c.isdigit())), []).append(
            '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (ref, value))
    data = "".join('<row r="%d">%s</row>' % (r, "".join(c)) for r, c in sorted(rows.items()))
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("xl/workbook.xml", '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="rpdodef" sheetId="1" r:id="rId1"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
        z.writestr("xl/worksheets/sheet1.xml", '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>%s</sheetData></worksheet>' % data)
frames = [("A1", "cobid")] + [("A%d" % r, str(r)) for r in range(2, 254)] + [("B%d" % r, "8") for r in range(2, 254)]
book(sys.argv[1] + "/stray-right.xlsx", frames + [("XFD1048576", "stray")])
book(sys.argv[1] + "/stray-down.xlsx", [("A1", "cobid"), ("A2", "385"), ("B2", "8"), ("C1048576", "stray")])
PY
"$cli" import "$q" rx-frames "$dir/stray-right.xlsx" 2>"$dir/err" || fail "stray-right: $(cat "$dir/err")"
grep -qxF "Workbook \"$dir/stray-right.xlsx\", worksheet \"rpdodef\", row 252: The frame list holds 250 frames: the first 250 rows of the worksheet were imported and the 2 rows after them were left out." "$dir/err" ||
    fail "stray-right note: $(cat "$dir/err")"
"$cli" import "$q" rx-frames "$dir/stray-down.xlsx" 2>"$dir/err"; [ $? -eq 1 ] || fail "stray-down must exit 1"
grep -qF "row 3: no COB-ID, so the frame list ends here; 1 record after it holds something and was left out, the first at row 1048576; nothing was saved" "$dir/err" ||
    fail "stray-down message: $(cat "$dir/err")"

# 800 rows with a cell in the last column: read whole, the first 250 saved.
"$cli" import "$q" rx-frames "$fixtures/wide.xlsx" 2>"$dir/err" || fail "wide.xlsx: $(cat "$dir/err")"
grep -qF "the 550 rows after them were left out" "$dir/err" || fail "wide.xlsx note: $(cat "$dir/err")"

# Usage and folders.
"$cli" import "$p" rx-frames >/dev/null 2>&1; [ $? -eq 2 ] || fail "import without workbook must exit 2"
"$cli" import "$p" frames "$fixtures/frames.xls" >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown table must exit 2"
"$cli" export "$p" >/dev/null 2>&1; [ $? -eq 2 ] || fail "export without table must exit 2"
"$cli" export "$dir/none" rx-map 2>"$dir/err"; [ $? -eq 1 ] || fail "missing folder must exit 1"
grep -qx "Project folder \"$dir/none\" not found" "$dir/err" || fail "missing folder message"
echo "cli import/export: ok"
