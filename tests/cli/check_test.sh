#!/bin/sh
# cravent-cli check and report: exit codes, compiler-style lines, JSON read by python3's json
# module, HTML read by html.parser, CSV read back by the csv module; build and update pass the
# warnings on to stderr.
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

settings() { # port
    printf '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="30"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>%s</Port></GeneralParameter>' "$1"
}

# A clean project: one frame, one register.
c="$dir/Clean"
mkdir -p "$c/bin"
settings 502 >"$c/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="4" Mnemonic="Speed"/></COBID>' >"$c/RCobDef.xml"
printf '%s' '<RInfoCob><row Index="7" NrPdo="1" PosComp="18"/></RInfoCob>' >"$c/RInfoCob.xml"
"$cli" check "$c" >"$dir/out" 2>"$dir/err"; rc=$?
[ $rc -eq 0 ] || fail "clean project must exit 0, not $rc: $(cat "$dir/out" "$dir/err")"
[ "$(cat "$dir/out")" = "$c: 0 errors, 0 warnings, 0 notes" ] || fail "clean summary: $(cat "$dir/out")"

# Warnings only: port 70000, register 0x10005 on register 5, bytes B7/B8 of a 4-byte frame.
w="$dir/Warn"
mkdir -p "$w/bin"
settings 70000 >"$w/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="4" Mnemonic="Speed, front"/></COBID>' >"$w/RCobDef.xml"
printf '%s' '<RInfoCob><row Index="5" NrPdo="1" PosComp="0x78"/><row Index="0x10005" NrPdo="1" PosComp="18"/></RInfoCob>' >"$w/RInfoCob.xml"
"$cli" check "$w" >"$dir/out" 2>"$dir/err"; rc=$?
[ $rc -eq 3 ] || fail "warnings must exit 3, not $rc"
cat >"$dir/expected" <<END
pargen.xml: warning: port 70000 is outside 1 to 65535: the device stores 4464 and listens for Modbus TCP there  [port-range]
RInfoCob.xml:1: warning: PosComp 0x78 takes the high byte from B7 and the low byte from B8, but frame 1 (COB-ID 0x181) carries 4 data bytes: the device reads bytes the frame does not carry  [byte-beyond-length]
RInfoCob.xml:2: warning: register index 0x10005 is outside 0 to 65535: the device keeps its low 16 bits and serves it as register 5 (0x0005)  [register-range]
RInfoCob.xml:2: warning: register 5 (0x0005) is also mapped in row 1 (after its cut to 16 bits): two rows of the received map feed one register and the device serves only one of them  [duplicate-register]
$w: 0 errors, 4 warnings, 0 notes
END
diff "$dir/expected" "$dir/out" || fail "compiler-style lines"
[ -s "$dir/err" ] && fail "check prints its findings on stdout"

"$cli" check --json "$w" >"$dir/json"; rc=$?
[ $rc -eq 3 ] || fail "--json keeps the exit code, not $rc"
python3 - "$dir/json" "$w" <<'END' || fail "JSON fields"
import json, sys
doc = json.load(open(sys.argv[1]))
assert list(doc) == ["project", "findings", "summary"], list(doc)
assert doc["project"] == sys.argv[2], doc["project"]
assert doc["summary"] == {"errors": 0, "warnings": 4, "notes": 0}, doc["summary"]
f = doc["findings"]
assert [x["code"] for x in f] == ["port-range", "byte-beyond-length", "register-range", "duplicate-register"], f
assert all(list(x) == ["severity", "code", "file", "row", "message"] for x in f)
assert all(x["severity"] == "warning" for x in f)
assert [x["file"] for x in f] == ["pargen.xml"] + ["RInfoCob.xml"] * 3
assert [x["row"] for x in f] == [None, 1, 2, 2]
assert "stores 4464" in f[0]["message"]
assert "register 5 (0x0005)" in f[2]["message"]
END

# An error: a 2.0A COB-ID of 0x800 and a mnemonic that must survive JSON quoting.
e="$dir/Error"
mkdir -p "$e/bin"
settings 502 >"$e/pargen.xml"
printf '%s' '<COBID><row CobID="0x800" Dimensin="8" Mnemonic="Say &quot;hi&quot;"/></COBID>' >"$e/RCobDef.xml"
printf '%s' '<RInfoCob><row Index="1" NrPdo="1" PosComp="18"/></RInfoCob>' >"$e/RInfoCob.xml"
"$cli" check "$e" >"$dir/out"; rc=$?
[ $rc -eq 1 ] || fail "errors must exit 1, not $rc"
grep -q '^RCobDef.xml:1: error: COB-ID 0x800 is outside 0 to 2047.*  \[cobid-range\]$' "$dir/out" ||
    fail "error line: $(cat "$dir/out")"
"$cli" check "$e" --json | python3 -c '
import json, sys
doc = json.load(sys.stdin)
assert doc["summary"]["errors"] == 1, doc
assert doc["findings"][0]["severity"] == "error" and doc["findings"][0]["row"] == 1, doc' ||
    fail "error JSON"

# Wrong use.
for args in "" "--json" "$c $c" "$c --json --json" "$c --xml"; do
    # shellcheck disable=SC2086
    "$cli" check $args >/dev/null 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "check $args must exit 2, not $rc"
done
"$cli" check "$dir/none" 2>"$dir/err"; [ $? -eq 1 ] || fail "missing folder must exit 1"
grep -qx "Project folder \"$dir/none\" not found" "$dir/err" || fail "missing folder message"
# A folder that cannot be looked at is not called missing; every command that takes a project
# folder says so alike.
ln -s loop "$dir/loop"
for command in check report build batch import import-sheet; do
    case $command in
        batch) "$cli" batch "$dir/loop" "$dir/units.csv" --out "$dir/out.d" 2>"$dir/err" ;;
        import) "$cli" import "$dir/loop" rx-frames "$dir/x.dbc" 2>"$dir/err" ;;
        import-sheet) "$cli" import "$dir/loop" rx-frames "$dir/x.csv" 2>"$dir/err" ;;
        *) "$cli" "$command" "$dir/loop" 2>"$dir/err" ;;
    esac
    [ $? -eq 1 ] || fail "$command of an unreadable folder must exit 1"
    [ "$(cat "$dir/err")" = "Cannot read project folder \"$dir/loop\". Too many levels of symbolic links" ] ||
        fail "$command of an unreadable folder: $(cat "$dir/err")"
done

# build passes the warnings on and goes on; the check's errors stop it before anything is written.
SOURCE_DATE_EPOCH=1765291072 "$cli" build "$w" >"$dir/out" 2>"$dir/err"; rc=$?
[ $rc -eq 0 ] || fail "build with warnings must succeed: $(cat "$dir/err")"
[ "$(grep -c '^RInfoCob.xml:.*warning' "$dir/err")" -eq 3 ] || fail "build warnings: $(cat "$dir/err")"
[ -f "$w/bin/bank1.bin" ] || fail "build with warnings must write the banks"
"$cli" build "$e" >"$dir/out" 2>"$dir/err"; [ $? -eq 1 ] || fail "build with an error must exit 1"
grep -q '\[cobid-range\]$' "$dir/err" || fail "build error line: $(cat "$dir/err")"
[ -z "$(ls -A "$e/bin")" ] || fail "a refused build must write no file"
"$cli" update "$e" --master "$dir/none.sx" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "update with an error must exit 1"
grep -q '\[cobid-range\]$' "$dir/err" || fail "update error line: $(cat "$dir/err")"

# report: markdown by default, then HTML, CSV and JSON into files.
"$cli" report "$w" >"$dir/md" || fail "report"
head -1 "$dir/md" | grep -qx "# Register map of Warn" || fail "markdown title: $(head -1 "$dir/md")"
grep -qxF "| receive | 5 | 0x0005 | 1 | 0x181 | Speed, front | B7 | B8 |" "$dir/md" || fail "markdown register row"
"$cli" report "$w" --format html -o "$dir/r.html" || fail "report html"
python3 - "$dir/r.html" <<'END' || fail "HTML"
import sys
from html.parser import HTMLParser

class Tables(HTMLParser):
    def __init__(self):
        super().__init__()
        self.tables, self.row, self.cell, self.heads, self.stack = [], None, None, [], []
        self.links = []
    def handle_starttag(self, tag, attrs):
        self.stack.append(tag)
        if tag in ("link", "script", "img"):
            self.links.append(tag)
        if tag == "table":
            self.tables.append([])
        elif tag == "tr":
            self.row = []
        elif tag in ("td", "th"):
            self.cell = ""
    def handle_endtag(self, tag):
        assert self.stack and self.stack[-1] == tag, (self.stack, tag)
        self.stack.pop()
        if tag in ("td", "th"):
            self.row.append(self.cell)
            self.cell = None
        elif tag == "tr":
            self.tables[-1].append(self.row)
    def handle_startendtag(self, tag, attrs):
        pass
    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        elif self.stack and self.stack[-1] == "h2":
            self.heads.append(data)

p = Tables()
text = open(sys.argv[1], encoding="utf-8").read()
# meta is a void element; take it out so that the nesting check holds.
p.feed(text.replace('<meta charset="utf-8">', ""))
assert not p.stack, p.stack
assert "<style>" in text and "@page" in text and not p.links, "self-contained, printable"
assert p.heads == ["Settings", "Received frames", "Transmitted frames", "Receive register map",
                   "Transmit register map", "Check"], p.heads
settings, rx, tx, rxmap, txmap, check = p.tables
assert ["Modbus TCP port", "4464"] in settings, settings
assert rx == [["Frame", "COB-ID", "Data length", "Mnemonic"], ["1", "0x181", "4", "Speed, front"]], rx
assert rxmap[0] == ["Direction", "Register", "Hex", "Frame", "COB-ID", "Mnemonic", "High byte", "Low byte"]
assert rxmap[1:] == [["receive", "5", "0x0005", "1", "0x181", "Speed, front", "B7", "B8"],
                     ["receive", "5", "0x0005", "1", "0x181", "Speed, front", "B1", "B2"]], rxmap
assert txmap[1] == ["none"], txmap
assert [r[4] for r in check[1:]] == ["port-range", "byte-beyond-length", "register-range",
                                     "duplicate-register"], check
END
"$cli" report "$c" --format csv -o "$dir/r.csv" || fail "report csv"
"$cli" report "$w" -o "$dir/w.csv" --format csv || fail "report csv, options in either order"
python3 - "$dir/r.csv" "$dir/w.csv" <<'END' || fail "CSV"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="utf-8")))
assert rows == [["Direction", "Register", "Hex", "Frame", "COB-ID", "Mnemonic", "High byte", "Low byte"],
                ["receive", "7", "0x0007", "1", "0x181", "Speed", "B1", "B2"]], rows
rows = list(csv.reader(open(sys.argv[2], newline="", encoding="utf-8")))
assert [r[5] for r in rows[1:]] == ["Speed, front", "Speed, front"], rows
END
"$cli" report "$w" --format json | python3 -c '
import json, sys
doc = json.load(sys.stdin)
assert doc["project"] == "Warn"
assert doc["settings"]["Modbus TCP port"] == "4464"
assert [r["register"] for r in doc["registers"]["receive"]] == [5, 5]
assert doc["registers"]["receive"][0]["highByte"] == "B7"
assert doc["frames"]["receive"][0]["cobId"] == "0x181"
assert doc["summary"]["warnings"] == 4' || fail "report JSON"
# A folder name that is not UTF-8 (Linux allows any bytes) still gives whole JSON, the bad byte
# shown as U+FFFD, rather than stopping half-way with a library message.
n="$dir/Caf$(printf '\351')"
cp -r "$c" "$n"
"$cli" check --json "$n" >"$dir/json" 2>"$dir/err"; rc=$?
[ $rc -eq 0 ] || fail "check --json of a non-UTF-8 folder name must exit 0, not $rc: $(cat "$dir/err")"
python3 -c 'import json, sys; assert json.load(open(sys.argv[1], encoding="utf-8"))["project"].endswith("Caf\ufffd")' \
    "$dir/json" || fail "non-UTF-8 folder name in check JSON: $(cat "$dir/json")"
"$cli" report "$n" --format json >"$dir/json" 2>"$dir/err" || fail "report json of a non-UTF-8 folder name: $(cat "$dir/err")"
python3 -c 'import json, sys; assert json.load(open(sys.argv[1], encoding="utf-8"))["project"] == "Caf\ufffd"' \
    "$dir/json" || fail "non-UTF-8 folder name in report JSON: $(cat "$dir/json")"
"$cli" report "$w" --format pdf >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown format must exit 2"
"$cli" report >/dev/null 2>&1; [ $? -eq 2 ] || fail "report without folder must exit 2"
"$cli" report "$w" -o "$dir/no/such/folder/r.md" 2>"$dir/err"; [ $? -eq 1 ] || fail "unwritable report must exit 1"
echo "cli check and report: ok"
