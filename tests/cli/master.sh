# Sourced by the command-line tests: a master firmware made by srec_cat, the independent tool.
#
# master FILE [code] [more]: the two bank windows (bank 1 all 0xEE, bank 2 all 0xDD) and a start
# address, with "code" some code below bank 1 and with "more" some code above the windows.
master() {
    command -v srec_cat >/dev/null ||
        { echo "FAIL: srec_cat missing (package srecord, which scripts/install-deps.sh installs)"; exit 1; }
    master_out="$1"; shift
    master_below=""; master_above=""
    for master_part in "$@"; do
        case "$master_part" in
            code) master_below="-generate 0x380000 0x380100 -repeat-string CODE" ;;
            more) master_above="-generate 0x3F8000 0x3F8100 -repeat-string MORE" ;;
            *) echo "FAIL: master: unknown part $master_part"; exit 1 ;;
        esac
    done
    # shellcheck disable=SC2086
    srec_cat $master_below -generate 0x388000 0x38C000 -constant 0xEE \
             -generate 0x398000 0x39C000 -constant 0xDD $master_above \
             -execution-start-address 0xC000 -o "$master_out" -obs=32 -address-length=3 ||
        { echo "FAIL: srec_cat master"; exit 1; }
}
