#!/usr/bin/env python3
"""Writes small sample packages, header byte by byte, into the folder given."""
import struct
import sys
from pathlib import Path

UID_RELEASE6 = 0x10003A12
UID_RELEASE5 = 0x1000006D
UID_INSTALL = 0x10000419


def crc16_ccitt(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc


def uid_checksum(uid1, uid2, uid3):
    raw = struct.pack("<III", uid1, uid2, uid3)
    return crc16_ccitt(raw[1::2]) << 16 | crc16_ccitt(raw[0::2])


def package(uid1, uid2, major, minor, variant, signature_at, body=b""):
    """An old-style header: UIDs, a version at 40, the signature pointer at 68."""
    header = bytearray(100)
    struct.pack_into("<IIII", header, 0, uid1, uid2, UID_INSTALL, uid_checksum(uid1, uid2, UID_INSTALL))
    struct.pack_into("<HHHH", header, 18, 1, 1, 0, 0)  # languages, files, requisites, install language
    struct.pack_into("<HHi", header, 40, major, minor, variant)
    struct.pack_into("<I", header, 68, signature_at)
    return bytes(header) + body


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "samples")
    out.mkdir(parents=True, exist_ok=True)
    filler = bytes(range(256)) * 8
    samples = {
        "HelloWorld_r6.sis": package(0x0A1B2C3D, UID_RELEASE6, 1, 2, 3, 0, filler),
        "HelloWorld_r6_signed.sis": package(0x0A1B2C3D, UID_RELEASE6, 1, 2, 3, 100 + len(filler), filler + b"SIG" * 40),
        "Legacy_r5.sis": package(0x10005B00, UID_RELEASE5, 2, 0, 7, 1, filler[:600]),
        "Tiny.sis": b"\x2a\x00\x00",
    }
    for name, data in samples.items():
        (out / name).write_bytes(data)
        print(out / name)


if __name__ == "__main__":
    main()
