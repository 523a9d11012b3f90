#!/usr/bin/env python3
"""Writes the small master firmwares that seed fuzz_composition (run from the fuzz folder)."""
import os

def rec(t, addr, data=b""):
    width = {0: 2, 1: 2, 2: 3, 3: 4, 5: 2, 6: 3, 7: 4, 8: 3, 9: 2}[t]
    body = bytes([width + len(data) + 1]) + addr.to_bytes(width, "big") + data
    return "S%d%s%02X" % (t, body.hex().upper(), ~sum(body) & 0xFF)

windows = [0x388000, 0x398000, 0x3A8000, 0x3B8000, 0x3C8000]
out = "corpus/fuzz_composition"
seeds = {}
lines = [rec(0, 0, b"master")]
lines += [rec(1, 0x1000 + 16 * i, bytes(range(i, i + 16))) for i in range(3)]
for w in windows:
    lines += [rec(2, w, b"\xAA" * 16), rec(2, w + 0x3FF0, b"\x55" * 16)]
lines += [rec(2, 0x3D0000, b"\x01\x02"), rec(3, 0x00400000, b"\x10" * 8)]
seeds["all-windows"] = "\r\n".join(lines + [rec(5, 15), rec(9, 0)]) + "\r\n"
seeds["lf-s8"] = "\n".join(lines + [rec(8, 0x388000)]) + "\n\n"
seeds["gateway-banks"] = "\r\n".join([rec(2, windows[0], b"\x00" * 4), rec(3, windows[1], b"\x11" * 4),
                                     "comment line", rec(1, 0x10, b"\x22"), rec(6, 3), rec(7, 0)]) + "\r\n"
seeds["no-end"] = "\r\n".join([rec(2, windows[0], b"\x00")]) + "\r\n"
seeds["crossing"] = "\r\n".join([rec(2, windows[0] - 8, b"\x00" * 16), rec(9, 0)]) + "\r\n"
seeds["bad-checksum"] = rec(2, windows[0], b"\x00")[:-2] + "00\r\n" + rec(9, 0) + "\r\n"
for name, text in seeds.items():
    with open(os.path.join(out, name), "w", newline="") as f:
        f.write(text)
