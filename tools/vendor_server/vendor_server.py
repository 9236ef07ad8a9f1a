#!/usr/bin/env python3
"""The local vendor server: everything the installer fetches from its maker, on loopback.

nginx serves, over plain HTTP and over HTTPS with a CA made at start:
  /payload/kelvane-download.exe      the product installer payload (ranges, keep-alive)
  /banners/*.png                     the banner pictures
  /downloader/carousel?pid=P&lang=L  the banner API answer of product id P (fixtures below)
  /download/redirect                 302 to the payload (absolute Location)
  /download/redirect-relative        302 to the payload (relative Location)
  /download/moved                    301 to the payload
  /status/500, /fault/no-length      a failing answer, an answer without a length
  /big/nine-million.bin              9,000,000 bytes
  /mp/collect, /debug/mp/collect     the analytics collector (this program)
  /Wayvo/kelvane-wayvo.exe           the payload again, where the demo deployment looks for it
  ....exe.sha256                     the payload's SHA-256 beside each of its two addresses

Product ids of the carousel fixtures: 216 and "three" (three pictures), "empty" (an empty list),
"code0" (code 0), "bad-digest" (three pictures, the second listed with a wrong digest), "many"
(twelve pictures), "huge" (one picture larger than 4 MiB), "long-answer" (an answer larger than
1 MiB), "not-json" (an answer that is no JSON).

The collector answers /mp/collect with 204 as Google's endpoint does and /debug/mp/collect with
validationMessages the way Google's validation server does; every body it gets is recorded, one
JSON record per line, in DIR/collected.jsonl.

Usage: vendor_server.py [--dir DIR] [--payload FILE] [--payload-rate RATE]
                        [--http-port N] [--https-port N]
--payload-rate limits each connection to the payload (nginx's limit_rate, "300k"), so that a
download takes visible time; the fixed ports are those the demo deployment was built with.
Prints where it listens, writes the same as JSON to DIR/vendor_server.json, and runs until it is
stopped (Ctrl-C or SIGTERM). Use the CA with SSL_CERT_FILE=DIR/ca.pem.
"""

import argparse
import hashlib
import http.server
import json
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PAYLOAD_SIZE = 4 * 1024 * 1024 + 321
HUGE_PICTURE_SIZE = 4 * 1024 * 1024 + 1


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, seconds=10.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.05)
    return False


def png(width, height, rgb):
    """A valid PNG of one colour with a stripe, so that every picture differs."""

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    rows = bytearray()
    for y in range(height):
        rows.append(0)
        stripe = (y // 20) % 2 == 0
        colour = bytes(rgb) if stripe else bytes(255 - c for c in rgb)
        rows.extend(colour * width)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def pseudo_random_bytes(size, seed):
    out = bytearray(size)
    state = seed
    for i in range(0, size, 8):
        state = (state * 6364136223846793005 + 1442695040888963407) & 0xFFFFFFFFFFFFFFFF
        block = state.to_bytes(8, "little")
        out[i:i + 8] = block[:min(8, size - i)]
    return bytes(out)


def make_certificates(folder):
    def run(*argv):
        subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    ext = os.path.join(folder, "ext.cnf")
    with open(ext, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\n"
                "extendedKeyUsage=serverAuth\n")
    run("openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
        "-nodes", "-keyout", os.path.join(folder, "ca.key"), "-out",
        os.path.join(folder, "ca.pem"), "-days", "7", "-subj", "/CN=kelvane vendor server CA",
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
        "keyUsage=critical,keyCertSign")
    run("openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
        "-keyout", os.path.join(folder, "server.key"), "-out",
        os.path.join(folder, "server.csr"), "-subj", "/CN=127.0.0.1")
    run("openssl", "x509", "-req", "-in", os.path.join(folder, "server.csr"), "-CA",
        os.path.join(folder, "ca.pem"), "-CAkey", os.path.join(folder, "ca.key"),
        "-CAcreateserial", "-out", os.path.join(folder, "server.pem"), "-days", "7", "-extfile",
        ext)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_content(folder, https_base, payload):
    www = os.path.join(folder, "www")
    if payload:
        with open(payload, "rb") as f:
            payload_bytes = f.read()
    else:
        payload_bytes = pseudo_random_bytes(PAYLOAD_SIZE, 216)
    digest = hashlib.sha256(payload_bytes).hexdigest()
    for path in (("payload", "kelvane-download.exe"), ("Wayvo", "kelvane-wayvo.exe")):
        write(os.path.join(www, *path), payload_bytes)
        if payload:
            # The served file keeps the payload's time, so a restarted server serves the very
            # file it served before (same Last-Modified and ETag) and downloads can resume.
            source = os.stat(payload)
            os.utime(os.path.join(www, *path), (source.st_atime, source.st_mtime))
        write(os.path.join(www, *path) + ".sha256", ("%s  %s\n" % (digest, path[1])).encode())

    colours = [(200, 60, 60), (60, 160, 60), (60, 90, 200), (220, 180, 40), (150, 60, 170),
               (40, 170, 170), (230, 120, 30), (90, 90, 90), (180, 40, 120), (20, 120, 80),
               (120, 80, 40), (70, 40, 160)]
    pictures = []
    for n, colour in enumerate(colours, start=1):
        data = png(650, 290, colour)
        write(os.path.join(www, "banners", "p%d.png" % n), data)
        pictures.append({"url": "%s/banners/p%d.png" % (https_base, n),
                         "md5": hashlib.md5(data).hexdigest()})
    # Larger than a download into memory takes (8 MiB).
    write(os.path.join(www, "big", "nine-million.bin"), bytes(9000000))
    huge = pseudo_random_bytes(HUGE_PICTURE_SIZE, 7)
    write(os.path.join(www, "banners", "huge.png"), huge)

    def answer(entries, code=1):
        return json.dumps({"code": code, "message": "success" if code == 1 else "failed",
                           "data": {"list": entries}}, indent=1).encode()

    bad = [dict(p) for p in pictures[:3]]
    bad[1]["md5"] = "0123456789abcdef0123456789abcdef"
    fixtures = {
        "216": answer(pictures[:3]),
        "three": answer(pictures[:3]),
        "empty": answer([]),
        "code0": answer(pictures[:3], code=0),
        "bad-digest": answer(bad),
        "many": answer(pictures),
        "huge": answer([{"url": https_base + "/banners/huge.png",
                         "md5": hashlib.md5(huge).hexdigest()}]),
        "long-answer": json.dumps({"code": 1, "message": "x" * (1024 * 1024 + 10),
                                   "data": {"list": pictures[:3]}}).encode(),
        "not-json": b"<html>Service unavailable</html>\n",
    }
    for pid, body in fixtures.items():
        write(os.path.join(www, "carousel", pid, "any.json"), body)
    # A language of its own: the ChineseTW answer of the shipped product lists other pictures.
    write(os.path.join(www, "carousel", "216", "ChineseTW.json"), answer(pictures[3:6]))
    return pictures


# ---- the analytics collector ------------------------------------------------------------------

NAME_RE = re.compile(r"^[A-Za-z][A-Za-z0-9_]*$")
RESERVED_EVENTS = {
    "ad_activeview", "ad_click", "ad_exposure", "ad_impression", "ad_query", "adunit_exposure",
    "app_clear_data", "app_install", "app_update", "app_remove", "error", "first_open",
    "first_visit", "in_app_purchase", "notification_dismiss", "notification_foreground",
    "notification_open", "notification_receive", "os_update", "screen_view", "session_start",
    "user_engagement"}
RESERVED_PREFIXES = ("_", "firebase_", "ga_", "google_", "gtag.")


def message(path, description, code):
    return {"fieldPath": path, "description": description, "validationCode": code}


def check_name(kind, name, limit, path):
    out = []
    if not isinstance(name, str) or not name:
        return [message(path, "%s has no name." % kind, "VALUE_REQUIRED")]
    if name.startswith(RESERVED_PREFIXES):
        out.append(message(path, "%s name [%s] uses a reserved prefix." % (kind, name),
                           "NAME_RESERVED"))
    elif not NAME_RE.match(name):
        out.append(message(path, "%s has invalid name [%s]. Names must start with an alphabetic "
                           "character and hold only letters, digits and underscores." %
                           (kind, name), "NAME_INVALID"))
    if len(name) > limit:
        out.append(message(path, "%s name [%s] is longer than %d characters." %
                           (kind, name, limit), "VALUE_OUT_OF_BOUNDS"))
    return out


def validate(raw):
    """The validation server's rules (shared/reference/ga4-measurement-protocol.md)."""
    if len(raw) > 130000:
        return [message("", "The body is larger than 130000 bytes.", "VALUE_OUT_OF_BOUNDS")]
    try:
        body = json.loads(raw.decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        return [message("", "Unable to parse the body as JSON.", "VALUE_INVALID")]
    if not isinstance(body, dict):
        return [message("", "The body is not a JSON object.", "VALUE_INVALID")]
    out = []
    client_id = body.get("client_id")
    if not isinstance(client_id, str) or not client_id:
        out.append(message("client_id", "client_id is required.", "VALUE_REQUIRED"))
    user_id = body.get("user_id")
    if user_id is not None and (not isinstance(user_id, str) or len(user_id) > 256):
        out.append(message("user_id", "user_id must be text of at most 256 characters.",
                           "VALUE_INVALID"))
    properties = body.get("user_properties", {})
    if not isinstance(properties, dict):
        out.append(message("user_properties", "user_properties must be an object.",
                           "VALUE_INVALID"))
    else:
        if len(properties) > 25:
            out.append(message("user_properties", "More than 25 user properties.",
                               "EXCEEDED_MAX_ENTITIES"))
        for name, prop in properties.items():
            path = "user_properties.%s" % name
            out += check_name("User property", name, 24, path)
            if not isinstance(prop, dict) or "value" not in prop:
                out.append(message(path, "A user property needs a value.", "VALUE_REQUIRED"))
            elif isinstance(prop["value"], str) and len(prop["value"]) > 36:
                out.append(message(path + ".value", "The value is longer than 36 characters.",
                                   "VALUE_OUT_OF_BOUNDS"))
    events = body.get("events")
    if not isinstance(events, list) or not events:
        out.append(message("events", "At least one event is required.", "VALUE_REQUIRED"))
        return out
    if len(events) > 25:
        out.append(message("events", "More than 25 events.", "EXCEEDED_MAX_ENTITIES"))
    for i, event in enumerate(events):
        path = "events[%d]" % i
        if not isinstance(event, dict):
            out.append(message(path, "An event must be an object.", "VALUE_INVALID"))
            continue
        name = event.get("name")
        out += check_name("Event at index: [%d]" % i, name, 40, path + ".name")
        if isinstance(name, str) and name in RESERVED_EVENTS:
            out.append(message(path + ".name", "Event name [%s] is reserved." % name,
                               "NAME_RESERVED"))
        params = event.get("params", {})
        if not isinstance(params, dict):
            out.append(message(path + ".params", "params must be an object.", "VALUE_INVALID"))
            continue
        if len(params) > 25:
            out.append(message(path + ".params", "More than 25 parameters.",
                               "EXCEEDED_MAX_ENTITIES"))
        for pname, value in params.items():
            ppath = "%s.params.%s" % (path, pname)
            out += check_name("Parameter", pname, 40, ppath)
            if isinstance(value, str) and len(value) > 100:
                out.append(message(ppath, "The value is longer than 100 characters.",
                                   "VALUE_OUT_OF_BOUNDS"))
            elif isinstance(value, (dict, list)):
                out.append(message(ppath, "A parameter value must be a number or text.",
                                   "VALUE_INVALID"))
    return out


class Collector(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    record_file = None
    record_lock = threading.Lock()

    def log_message(self, fmt, *args):
        pass

    def send(self, status, body=b"", content_type=None):
        self.send_response(status)
        if content_type:
            self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.path.startswith("/fault/no-length"):
            # No Content-Length: the body ends with the connection (nginx passes it on chunked).
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(b"an answer without a length\n")
            self.close_connection = True
            return
        self.send(405, b"only POST\n", "text/plain")

    do_HEAD = do_GET

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        length = int(self.headers.get("Content-Length") or 0)
        raw = self.rfile.read(length) if length > 0 else b""
        query = urllib.parse.parse_qs(url.query)
        debug = url.path == "/debug/mp/collect"
        if url.path not in ("/mp/collect", "/debug/mp/collect"):
            self.send(404, b"not found\n", "text/plain")
            return
        messages = validate(raw)
        record = {
            "path": url.path,
            "measurement_id": query.get("measurement_id", [""])[0],
            "api_secret_present": bool(query.get("api_secret", [""])[0]),
            "content_type": self.headers.get("Content-Type", ""),
            "body": raw.decode("utf-8", "replace"),
            "validationMessages": messages,
        }
        with Collector.record_lock:
            with open(Collector.record_file, "a") as f:
                f.write(json.dumps(record) + "\n")
        if debug:
            self.send(200, json.dumps({"validationMessages": messages}).encode(),
                      "application/json")
        else:
            self.send(204)


# ---- start and stop ---------------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dir", help="working folder (default: a new temporary folder)")
    parser.add_argument("--payload", help="file to serve as the product installer payload")
    parser.add_argument("--payload-rate", default="0",
                        help="bytes per second per connection to the payload (0: no limit)")
    parser.add_argument("--http-port", type=int, default=0, help="plain HTTP port (default: free)")
    parser.add_argument("--https-port", type=int, default=0, help="HTTPS port (default: free)")
    args = parser.parse_args()

    folder = os.path.abspath(args.dir or tempfile.mkdtemp(prefix="kelvane-vendor-"))
    os.makedirs(folder, exist_ok=True)
    for name in ("body", "proxy", "fastcgi", "uwsgi", "scgi"):
        os.makedirs(os.path.join(folder, name), exist_ok=True)
    info_file = os.path.join(folder, "vendor_server.json")
    if os.path.exists(info_file):
        os.remove(info_file)

    make_certificates(folder)
    http_port = args.http_port or free_port()
    https_port = args.https_port or free_port()
    collector_port = free_port()
    while len({http_port, https_port, collector_port}) < 3:
        if not args.https_port:
            https_port = free_port()
        collector_port = free_port()
    https_base = "https://127.0.0.1:%d" % https_port
    make_content(folder, https_base, args.payload)

    Collector.record_file = os.path.join(folder, "collected.jsonl")
    open(Collector.record_file, "w").close()
    collector = http.server.ThreadingHTTPServer(("127.0.0.1", collector_port), Collector)
    collector.daemon_threads = True
    threading.Thread(target=collector.serve_forever, daemon=True).start()

    with open(os.path.join(HERE, "nginx.conf.in")) as f:
        config = f.read()
    for key, value in {"DIR": folder, "HTTP_PORT": str(http_port),
                       "HTTPS_PORT": str(https_port), "COLLECTOR_PORT": str(collector_port),
                       "HTTPS_BASE": https_base, "PAYLOAD_RATE": args.payload_rate}.items():
        config = config.replace("@%s@" % key, value)
    config_file = os.path.join(folder, "nginx.conf")
    with open(config_file, "w") as f:
        f.write(config)
    nginx = subprocess.Popen(["nginx", "-e", os.path.join(folder, "nginx-error.log"), "-p",
                              folder, "-c", config_file])

    def stop(*_):
        if nginx.poll() is None:
            nginx.terminate()
            try:
                nginx.wait(5)
            except subprocess.TimeoutExpired:
                nginx.kill()
        collector.shutdown()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    if not (wait_for_port(http_port) and wait_for_port(https_port)):
        sys.stderr.write("vendor server: nginx did not start, see %s\n" %
                         os.path.join(folder, "nginx-error.log"))
        stop()
        return 1

    info = {
        "http": "http://127.0.0.1:%d" % http_port,
        "https": https_base,
        "http_port": http_port,
        "https_port": https_port,
        "ca_file": os.path.join(folder, "ca.pem"),
        "folder": folder,
        "collected": Collector.record_file,
        "payload": os.path.join(folder, "www", "payload", "kelvane-download.exe"),
    }
    with open(info_file + ".new", "w") as f:
        json.dump(info, f, indent=1)
    os.rename(info_file + ".new", info_file)
    print("vendor server: %s and %s (CA %s)" % (info["http"], info["https"], info["ca_file"]))
    print("  payload     %s/payload/kelvane-download.exe" % https_base)
    print("  redirect    %s/download/redirect" % https_base)
    print("  carousel    %s/downloader/carousel?pid=216&lang=English" % https_base)
    print("  analytics   %s/mp/collect and /debug/mp/collect, bodies in %s" %
          (https_base, Collector.record_file))
    sys.stdout.flush()
    while nginx.poll() is None:
        time.sleep(0.5)
    sys.stderr.write("vendor server: nginx stopped, see %s\n" %
                     os.path.join(folder, "nginx-error.log"))
    collector.shutdown()
    return 1


if __name__ == "__main__":
    sys.exit(main())
