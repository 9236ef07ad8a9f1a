#!/usr/bin/env python3
"""Packs the stand-in product installer as the vendor server's payload: the program, padded to
SIZE bytes with bytes that do not compress (so the download takes visible time), and its SHA-256
beside it as NAME.sha256 in the form sha256sum writes.

Usage: make_payload.py PROGRAM OUTPUT SIZE
"""
import hashlib
import os
import sys


def main():
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    program, output, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with open(program, "rb") as f:
        data = bytearray(f.read())
    state = 216
    while len(data) < size:
        state = (state * 6364136223846793005 + 1442695040888963407) & 0xFFFFFFFFFFFFFFFF
        data += state.to_bytes(8, "little")
    data = bytes(data[:max(size, os.path.getsize(program))])
    with open(output + ".new", "wb") as f:
        f.write(data)
    os.chmod(output + ".new", 0o755)
    os.replace(output + ".new", output)
    with open(output + ".sha256", "w") as f:
        f.write("%s  %s\n" % (hashlib.sha256(data).hexdigest(), os.path.basename(output)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
