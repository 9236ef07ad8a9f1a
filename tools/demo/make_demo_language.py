#!/usr/bin/env python3
"""Makes the demo deployment's language pack: the shipped pack with the maker's hosts (download,
API, analytics) pointing at the local vendor server.

Usage: make_demo_language.py SOURCE_DIR OUTPUT_DIR HOST:PORT
"""
import os
import shutil
import sys

HOSTS = ("dl.kelvane.example", "api.kelvane.example", "www.google-analytics.com")


def decode(data):
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le"), "utf-16-le", b"\xff\xfe"
    if data.startswith(b"\xfe\xff"):
        return data[2:].decode("utf-16-be"), "utf-16-be", b"\xfe\xff"
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8"), "utf-8", b"\xef\xbb\xbf"
    return data.decode("utf-8"), "utf-8", b""


def main():
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    source, output, host = sys.argv[1:]
    if os.path.isdir(output):
        shutil.rmtree(output)
    shutil.copytree(source, output)
    for folder, _, files in os.walk(output):
        for name in files:
            if name not in ("productInfo.ini", "UrlInfo.ini"):
                continue
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                text, encoding, bom = decode(f.read())
            for old in HOSTS:
                text = text.replace(old, host)
            with open(path, "wb") as f:
                f.write(bom + text.encode(encoding))
    return 0


if __name__ == "__main__":
    sys.exit(main())
