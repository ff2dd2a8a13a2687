#!/usr/bin/env python3
"""Writes engine notices into a console mailslot, built from the wire format alone.

Usage: notice_writer.py NAME

The mailslot NAME is the datagram socket $KORVANE_RUNTIME_DIR/mailslot/NAME. Each message is a
little-endian u32 sequence number followed by the body; a body is a u32 notice type and its
fields: u8, u32, f64 (IEEE double) and strings (u32 count of UTF-16 code units, then the units).
"""
import os
import socket
import struct
import sys


def string(text):
    units = text.encode("utf-16-le")
    return struct.pack("<I", len(units) // 2) + units


def main():
    name = sys.argv[1]
    path = os.path.join(os.environ["KORVANE_RUNTIME_DIR"], "mailslot", name)
    slot = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    slot.connect(path)
    volume = "{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}"

    def notice(sequence, body):
        slot.send(struct.pack("<I", sequence) + body)

    notice(0, struct.pack("<I", 0) + string(volume))
    notice(1, struct.pack("<I", 1) + string(volume) + struct.pack("<Idd", 9, 12.5, 40000.25))
    notice(1, struct.pack("<I", 1) + string(volume) + struct.pack("<Idd", 9, 12.5, 40000.25))
    slot.send(b"\x02\x00\x00")  # too short to carry a sequence number
    notice(2, struct.pack("<I", 99) + string(volume))  # a type nobody knows
    notice(3, struct.pack("<I", 2) + string(volume) + struct.pack("<d", 33.0))
    notice(4, struct.pack("<I", 3) + string(volume) + struct.pack("<d", 50.0) + string("Döner 𝄞"))
    notice(5, struct.pack("<I", 1) + string(volume) + struct.pack("<I", 2))  # cut short
    notice(6, struct.pack("<I", 4) + string(volume) + struct.pack("<BII", 7, 100, 25))
    notice(7, struct.pack("<I", 9) + string(volume) + struct.pack("<d", 1.5))
    notice(8, struct.pack("<I", 8) + string(volume))


if __name__ == "__main__":
    main()
