#!/usr/bin/env python3
"""The download benchmark: `kvdl download` (8 connections) against aria2c, axel and curl.

Started by `./run bench` (CTest label bench), never by `./run test`. It needs root: it starts its
own nginx, and for the lossy path it makes two network namespaces joined by lossy_link (a
user-space forwarder between two TUN devices that delays and drops packets, since this kernel
has no netem), and removes them afterwards. Every file is made here, served from tmpfs and
written to tmpfs; every download is checked by SHA-256. The tools run interleaved (one round
runs each tool once), and the table compares medians.

Scenarios (KV_BENCH_SCENARIOS, comma separated, default all):
  loopback     a KV_BENCH_LOOPBACK_MB file over loopback
  limited      a KV_BENCH_LIMITED_MB file from nginx with limit_rate KV_BENCH_LIMIT_RATE. nginx
               limits each request, and lets every request start with a second's worth at
               once: a client that sends many short range requests on a connection is hardly
               limited at all. So also:
  relay        the same file through a relay of ours that paces every TCP connection to
               KV_BENCH_LIMIT_RATE, whatever requests it carries
  lossy-cubic  a KV_BENCH_LOSSY_MB file over the lossy path (KV_BENCH_DELAY_MS one way,
  lossy-bbr    KV_BENCH_LOSS_PERCENT loss on the data direction), under cubic, under bbr
  resume       kvdl download killed with SIGKILL KV_BENCH_KILLS times at random moments and
               run again each time; a KV_BENCH_RESUME_MB file through the relay at
               KV_BENCH_RESUME_RATE per connection; the relay counts the bytes it delivers
Other settings: KV_BENCH_REPEATS (rounds per scenario, default 3), KV_BENCH_LOOPBACK_REPEATS
(default 10: loopback is noisy), KV_BENCH_RESULTS (where the table is written as well),
KV_BENCH_SEED, KV_BENCH_PIECES_PER_REQUEST (what kvdl claims per request, default 10).
"""

import argparse
import asyncio
import hashlib
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import socket
import tempfile
import threading
import time

MIB = 1024 * 1024
CONNECTIONS = 8
# What kvdl download claims per request, in pieces (the engine's default).
PIECES_PER_REQUEST = int(os.environ.get("KV_BENCH_PIECES_PER_REQUEST", 10))


def env_int(name, default):
    return int(os.environ.get(name, default))


def env_float(name, default):
    return float(os.environ.get(name, default))


SETTINGS = {
    "repeats": env_int("KV_BENCH_REPEATS", 3),
    # Loopback runs are CPU-bound and noisy here: ten rounds, compared by their medians.
    "loopback_repeats": env_int("KV_BENCH_LOOPBACK_REPEATS", 10),
    "loopback_mb": env_int("KV_BENCH_LOOPBACK_MB", 1024),
    "limited_mb": env_int("KV_BENCH_LIMITED_MB", 256),
    "limit_rate": os.environ.get("KV_BENCH_LIMIT_RATE", "5m"),
    "lossy_mb": env_int("KV_BENCH_LOSSY_MB", 32),
    "delay_ms": env_float("KV_BENCH_DELAY_MS", 40),
    "loss_percent": env_float("KV_BENCH_LOSS_PERCENT", 0.5),
    "kills": env_int("KV_BENCH_KILLS", 20),
    "resume_mb": env_int("KV_BENCH_RESUME_MB", 128),
    "resume_rate": os.environ.get("KV_BENCH_RESUME_RATE", "512k"),
    "seed": env_int("KV_BENCH_SEED", 20261211),
    "run_timeout": env_int("KV_BENCH_RUN_TIMEOUT", 1800),
}
ALL_SCENARIOS = ["loopback", "limited", "relay", "lossy-cubic", "lossy-bbr", "resume"]

NGINX_CONF = """daemon off;
master_process off;
worker_processes 1;
pid {dir}/nginx-{name}.pid;
error_log {dir}/nginx-{name}-error.log;
events {{ worker_connections 256; }}
http {{
  access_log off;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  keepalive_timeout 60;
  keepalive_requests 10000;
  client_body_temp_path {dir}/tmp-{name};
  proxy_temp_path {dir}/tmp-{name};
  fastcgi_temp_path {dir}/tmp-{name};
  uwsgi_temp_path {dir}/tmp-{name};
  scgi_temp_path {dir}/tmp-{name};
  server {{
    listen {address};
    root {dir}/www;
    location /limited/ {{ alias {dir}/www/; limit_rate {limit_rate}; }}
  }}
}}
"""


def log(text):
    print(text, file=sys.stderr, flush=True)


class RateRelay:
    """A TCP relay on loopback that paces what each connection receives to `rate` bytes per
    second from its first byte on, with no allowance up front: a rate limit per connection, not
    per request. It counts the bytes it delivers to clients."""

    CHUNK = 16 * 1024

    def __init__(self, upstream_port, rate):
        self.upstream_port = upstream_port
        self.rate = rate
        self.delivered = 0
        self.loop = asyncio.new_event_loop()
        ready = threading.Event()
        self.thread = threading.Thread(target=self._run, args=(ready,), daemon=True)
        self.thread.start()
        ready.wait()

    def _run(self, ready):
        asyncio.set_event_loop(self.loop)
        self.server = self.loop.run_until_complete(
            asyncio.start_server(self._serve, "127.0.0.1", 0))
        self.port = self.server.sockets[0].getsockname()[1]
        ready.set()
        self.loop.run_forever()

    async def _serve(self, client_reader, client_writer):
        upstream = socket.socket()
        # Little is held in flight, so what was sent is close to what the client got.
        upstream.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 64 * 1024)
        upstream.setblocking(False)
        try:
            await self.loop.sock_connect(upstream, ("127.0.0.1", self.upstream_port))
            up_reader, up_writer = await asyncio.open_connection(sock=upstream)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(self._pump(client_reader, up_writer, None),
                             self._pump(up_reader, client_writer, self.rate),
                             return_exceptions=True)

    async def _pump(self, reader, writer, rate):
        due = time.monotonic()
        try:
            while True:
                data = await reader.read(self.CHUNK)
                if not data:
                    break
                if rate:
                    due = max(due, time.monotonic() - 0.05) + len(data) / rate
                    wait = due - time.monotonic()
                    if wait > 0:
                        await asyncio.sleep(wait)
                writer.write(data)
                await writer.drain()
                if rate:
                    self.delivered += len(data)
        except (ConnectionError, OSError):
            pass
        finally:
            writer.close()

    def close(self):
        self.loop.call_soon_threadsafe(self.loop.stop)
        self.thread.join(5)


class Bench:
    def __init__(self, kvdl, lossy_link):
        self.kvdl = kvdl
        self.lossy_link = lossy_link
        self.random = random.Random(SETTINGS["seed"])
        self.dir = tempfile.mkdtemp(prefix="kvbench-", dir="/dev/shm")
        os.makedirs(os.path.join(self.dir, "www"))
        os.makedirs(os.path.join(self.dir, "out"))
        self.files = {}  # size in MiB -> (name, digest)
        self.processes = []  # what we started, stopped in reverse order
        self.namespaces = []
        self.tag = str(os.getpid())
        self.loads = []
        self.tools = self.available_tools()

    # ---- set-up and tear-down -------------------------------------------------------------

    def available_tools(self):
        tools = []
        probe = subprocess.run([self.kvdl, "download"], capture_output=True, text=True)
        if probe.returncode == 64:
            tools.append("kvdl")
        else:
            log("bench: this kvdl has no download command; kvdl rows are left out")
        for name, program in [("aria2c", "aria2c"), ("axel", "axel"), ("curl", "curl")]:
            if shutil.which(program):
                tools.append(name)
            else:
                log("bench: %s is not installed; its rows are left out" % program)
        return tools

    def make_file(self, mib):
        if mib in self.files:
            return self.files[mib]
        name = "file-%d.bin" % mib
        digest = hashlib.sha256()
        block = os.urandom(MIB)
        with open(os.path.join(self.dir, "www", name), "wb") as out:
            for i in range(mib):
                # Every MiB differs, so a piece written at the wrong offset changes the digest.
                piece = i.to_bytes(8, "little") + block[8:]
                digest.update(piece)
                out.write(piece)
        self.files[mib] = (name, digest.hexdigest())
        return self.files[mib]

    def start_nginx(self, name, address, namespace=None):
        os.makedirs(os.path.join(self.dir, "tmp-" + name), exist_ok=True)
        conf = os.path.join(self.dir, "nginx-%s.conf" % name)
        with open(conf, "w") as out:
            out.write(NGINX_CONF.format(dir=self.dir, name=name, address=address,
                                        limit_rate=SETTINGS["limit_rate"]))
        command = ["nginx", "-e", os.path.join(self.dir, "nginx-%s-error.log" % name),
                   "-p", self.dir, "-c", conf]
        process = subprocess.Popen(self.in_namespace(namespace, command),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        host, port = address.rsplit(":", 1)
        self.wait_for_port(host, int(port), namespace, process)
        return process

    def wait_for_port(self, host, port, namespace, process):
        probe = ["curl", "-s", "-o", "/dev/null", "http://%s:%d/" % (host, port)]
        for _ in range(100):
            if process.poll() is not None:
                raise RuntimeError("nginx ended at start (see %s)" % self.dir)
            if subprocess.run(self.in_namespace(namespace, probe)).returncode == 0:
                return
            time.sleep(0.05)
        raise RuntimeError("nginx does not answer on %s:%d" % (host, port))

    @staticmethod
    def in_namespace(namespace, command):
        return (["ip", "netns", "exec", namespace] + command) if namespace else command

    def free_port(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            return s.getsockname()[1]

    def make_lossy_path(self):
        """Two namespaces, server and client, joined by lossy_link. Returns (server, client)."""
        server, client = "kvbench-srv-" + self.tag, "kvbench-cli-" + self.tag
        for namespace in (server, client):
            subprocess.run(["ip", "netns", "add", namespace], check=True)
            self.namespaces.append(namespace)
        direction = "%g:%g" % (SETTINGS["delay_ms"], SETTINGS["loss_percent"])
        link = subprocess.Popen([self.lossy_link, server, "kvbs0", client, "kvbc0",
                                 "--a-to-b", direction, "--seed", str(SETTINGS["seed"])],
                                stdout=subprocess.PIPE, text=True)
        self.processes.append(link)
        if link.stdout.readline().strip() != "ready":
            raise RuntimeError("lossy_link did not start")
        for namespace, device, here, there in [(server, "kvbs0", "10.77.0.1", "10.77.0.2"),
                                               (client, "kvbc0", "10.77.0.2", "10.77.0.1")]:
            ip = ["ip", "-n", namespace]
            subprocess.run(ip + ["link", "set", "lo", "up"], check=True)
            subprocess.run(ip + ["addr", "add", here, "peer", there, "dev", device], check=True)
            subprocess.run(ip + ["link", "set", device, "up"], check=True)
        return server, client

    def set_congestion_control(self, server, client, algorithm):
        for namespace, device, here, there in [(server, "kvbs0", "10.77.0.1", "10.77.0.2"),
                                               (client, "kvbc0", "10.77.0.2", "10.77.0.1")]:
            subprocess.run(["ip", "-n", namespace, "route", "replace", there, "dev", device,
                            "src", here, "congctl", algorithm], check=True)
        routes = subprocess.run(["ip", "-n", server, "route"], capture_output=True, text=True)
        if "congctl " + algorithm not in routes.stdout:
            raise RuntimeError("congestion control %s not set: %s" % (algorithm, routes.stdout))

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.processes = []
        for namespace in self.namespaces:
            subprocess.run(["ip", "netns", "del", namespace])
        self.namespaces = []
        shutil.rmtree(self.dir, ignore_errors=True)

    # ---- one download ---------------------------------------------------------------------

    def command(self, tool, url, output):
        if tool == "kvdl":
            return [self.kvdl, "download", url, "-o", output, "-x", str(CONNECTIONS), "-q"]
        if tool == "aria2c":
            return ["aria2c", "-x8", "-s8", "-k1M", "-q", "--allow-overwrite=true",
                    "--auto-file-renaming=false", "-d", os.path.dirname(output),
                    "-o", os.path.basename(output), url]
        if tool == "axel":
            return ["axel", "-n", str(CONNECTIONS), "-q", "-o", output, url]
        return ["curl", "-s", "-S", "-f", "-o", output, url]

    def clear_output(self):
        out = os.path.join(self.dir, "out")
        for name in os.listdir(out):
            os.remove(os.path.join(out, name))

    def download(self, tool, url, digest, namespace=None):
        """One timed download: dict with wall, cpu, rss_mb, ok."""
        self.clear_output()
        output = os.path.join(self.dir, "out", "file.bin")
        times = os.path.join(self.dir, "time.txt")
        command = ["/usr/bin/time", "-f", "%U %S %M", "-o", times] + self.command(tool, url, output)
        start = time.monotonic()
        try:
            result = subprocess.run(self.in_namespace(namespace, command), capture_output=True,
                                    text=True, timeout=SETTINGS["run_timeout"])
            code = result.returncode
            errors = result.stderr.strip()
        except subprocess.TimeoutExpired:
            code, errors = -1, "timed out"
        wall = time.monotonic() - start
        user, system, rss_kb = open(times).read().split()[-3:] if code != -1 else (0, 0, 0)
        ok = code == 0 and os.path.exists(output) and sha256(output) == digest
        if not ok:
            log("bench: %s failed (exit %s): %s" % (tool, code, errors.splitlines()[-1:]))
        self.clear_output()
        return {"wall": wall, "cpu": float(user) + float(system), "rss_mb": int(rss_kb) / 1024.0,
                "ok": ok}

    def rounds(self, kind, scenario, url, digest, mib, namespace=None, repeats=None):
        """Every tool once per round, the order shuffled each round; results per tool."""
        results = {tool: [] for tool in self.tools}
        for round_number in range(repeats or SETTINGS["repeats"]):
            order = list(self.tools)
            self.random.shuffle(order)
            for tool in order:
                run = self.download(tool, url, digest, namespace)
                results[tool].append(run)
                log("bench: %s round %d %s: %.2f s, cpu %.2f s, %.1f MB%s" % (
                    scenario, round_number + 1, tool, run["wall"], run["cpu"], run["rss_mb"],
                    "" if run["ok"] else " FAILED"))
        return {"scenario": scenario, "kind": kind, "mib": mib, "results": results}

    # ---- scenarios ------------------------------------------------------------------------

    def loopback(self, port):
        name, digest = self.make_file(SETTINGS["loopback_mb"])
        url = "http://127.0.0.1:%d/%s" % (port, name)
        return self.rounds("loopback", "loopback %d MiB" % SETTINGS["loopback_mb"], url, digest,
                           SETTINGS["loopback_mb"], repeats=SETTINGS["loopback_repeats"])

    def limited(self, port):
        name, digest = self.make_file(SETTINGS["limited_mb"])
        url = "http://127.0.0.1:%d/limited/%s" % (port, name)
        return self.rounds("limited", "limit_rate %s, %d MiB" % (SETTINGS["limit_rate"],
                                                     SETTINGS["limited_mb"]),
                           url, digest, SETTINGS["limited_mb"])

    def relayed(self, relay):
        name, digest = self.make_file(SETTINGS["limited_mb"])
        url = "http://127.0.0.1:%d/%s" % (relay.port, name)
        return self.rounds("limited", "relay %s per connection, %d MiB" % (
            SETTINGS["limit_rate"], SETTINGS["limited_mb"]), url, digest, SETTINGS["limited_mb"])

    def lossy(self, server, client, algorithm):
        self.set_congestion_control(server, client, algorithm)
        name, digest = self.make_file(SETTINGS["lossy_mb"])
        url = "http://10.77.0.1:8080/%s" % name
        return self.rounds("lossy", "lossy %g ms %g %% %s, %d MiB" % (
            SETTINGS["delay_ms"], SETTINGS["loss_percent"], algorithm, SETTINGS["lossy_mb"]),
            url, digest, SETTINGS["lossy_mb"], client)

    def memory_idle(self, port):
        """Peak resident memory of kvdl download for a 1 MiB file: the idle process."""
        name, digest = self.make_file(1)
        runs = [self.download("kvdl", "http://127.0.0.1:%d/%s" % (port, name), digest)
                for _ in range(3)]
        return statistics.median(run["rss_mb"] for run in runs)

    def resume(self, port):
        """Kills kvdl download with SIGKILL at random moments and resumes it each time."""
        mib = SETTINGS["resume_mb"]
        name, digest = self.make_file(mib)
        relay = RateRelay(port, rate_bytes(SETTINGS["resume_rate"]))
        url = "http://127.0.0.1:%d/%s" % (relay.port, name)
        self.clear_output()
        output = os.path.join(self.dir, "out", "file.bin")
        command = self.command("kvdl", url, output)
        expected_seconds = mib * MIB / (CONNECTIONS * rate_bytes(SETTINGS["resume_rate"]))
        kills = 0
        piece_size = None
        finished_early = False
        for _ in range(SETTINGS["kills"]):
            process = subprocess.Popen(command, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            # Random moments, a few tenths of a second up to well past the once-a-second save.
            time.sleep(self.random.uniform(0.2, 1.6 * expected_seconds / SETTINGS["kills"]))
            if process.poll() is not None:
                finished_early = True
                break
            process.kill()
            process.wait()
            kills += 1
            piece_size = piece_size or self.piece_size()
        final = subprocess.run(command, capture_output=True, text=True,
                               timeout=SETTINGS["run_timeout"])
        ok = final.returncode == 0 and sha256(output) == digest
        if not ok:
            log("bench: resume check failed: exit %d %s" % (final.returncode, final.stderr))
        served = relay.delivered
        relay.close()
        self.clear_output()
        return {"kills": kills, "finished_early": finished_early, "ok": ok,
                "served": served, "size": mib * MIB, "piece_size": piece_size}

    def piece_size(self):
        """The piece size the resume file records (kvdl meta), or None."""
        out = os.path.join(self.dir, "out")
        for name in os.listdir(out):
            meta = subprocess.run([self.kvdl, "meta", os.path.join(out, name)],
                                  capture_output=True, text=True)
            for line in meta.stdout.splitlines():
                if line.startswith("piece_size="):
                    return int(line.split("=", 1)[1])
        return None

    # ---- the run --------------------------------------------------------------------------

    def run(self, scenarios):
        self.note_load("start")
        tables = []
        extra = {}
        port = self.free_port()
        self.start_nginx("loopback", "127.0.0.1:%d" % port)
        if "loopback" in scenarios:
            tables.append(self.loopback(port))
            self.note_load("after loopback")
        if "limited" in scenarios:
            tables.append(self.limited(port))
            self.note_load("after limited")
        if "relay" in scenarios:
            relay = RateRelay(port, rate_bytes(SETTINGS["limit_rate"]))
            tables.append(self.relayed(relay))
            relay.close()
            self.note_load("after relay")
        if "kvdl" in self.tools and ("loopback" in scenarios or "limited" in scenarios):
            extra["idle_rss_mb"] = self.memory_idle(port)
        lossy = [s for s in scenarios if s.startswith("lossy-")]
        if lossy:
            server, client = self.make_lossy_path()
            self.start_nginx("lossy", "10.77.0.1:8080", server)
            for scenario in lossy:
                tables.append(self.lossy(server, client, scenario.split("-", 1)[1]))
                self.note_load("after " + scenario)
        if "resume" in scenarios and "kvdl" in self.tools:
            extra["resume"] = self.resume(port)
            self.note_load("after resume")
        return tables, extra

    def note_load(self, moment):
        self.loads.append((moment, os.getloadavg()[0], busy_share()))


# ---- helpers ----------------------------------------------------------------------------------

def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(4 * MIB), b""):
            digest.update(block)
    return digest.hexdigest()


def rate_bytes(text):
    units = {"k": 1024, "m": MIB}
    if text[-1].lower() in units:
        return int(text[:-1]) * units[text[-1].lower()]
    return int(text)


_last_stat = None


def busy_share():
    """Share of the machine's CPU time that was busy since the last call (all processes)."""
    global _last_stat
    with open("/proc/stat") as f:
        values = [int(v) for v in f.readline().split()[1:]]
    idle = values[3] + values[4]
    total = sum(values)
    share = None
    if _last_stat:
        d_total = total - _last_stat[0]
        d_idle = idle - _last_stat[1]
        share = (d_total - d_idle) / d_total if d_total else None
    _last_stat = (total, idle)
    return share


def median(values):
    return statistics.median(values) if values else float("nan")


def medians_of(table):
    medians = {}
    for tool, runs in table["results"].items():
        good = [run for run in runs if run["ok"]]
        if good:
            medians[tool] = {key: median([run[key] for run in good])
                             for key in ("wall", "cpu", "rss_mb")}
    return medians


def goals(tables, extra):
    """Each goal of the engine with what was measured: (text, met or None when not measured)."""
    out = []

    def check(text, value, limit, at_most=True):
        met = value <= limit if at_most else value >= limit
        out.append("%s: %.2f (%s %.2f) %s" % (text, value, "at most" if at_most else "at least",
                                             limit, "met" if met else "MISSED"))
    for table in tables:
        m = medians_of(table)
        kvdl = m.get("kvdl")
        if not kvdl:
            continue
        name = table["scenario"]
        if table["kind"] == "loopback":
            if "aria2c" in m:
                check(name + ", kvdl wall ÷ aria2c", kvdl["wall"] / m["aria2c"]["wall"], 0.9)
                check(name + ", kvdl CPU ÷ aria2c", kvdl["cpu"] / m["aria2c"]["cpu"], 0.7)
            if "curl" in m:
                check(name + ", kvdl wall ÷ curl -o file", kvdl["wall"] / m["curl"]["wall"], 1.3)
        elif table["kind"] == "limited" and "curl" in m:
            check(name + ", kvdl speed-up over one connection",
                  m["curl"]["wall"] / kvdl["wall"], 7.8, at_most=False)
        elif table["kind"] == "lossy":
            peers = [m[t]["wall"] for t in ("aria2c", "axel") if t in m]
            if peers:
                check(name + ", kvdl throughput ÷ the better of aria2c and axel",
                      min(peers) / kvdl["wall"], 1.0, at_most=False)
    if "idle_rss_mb" in extra:
        for table in tables:
            kvdl = medians_of(table).get("kvdl")
            if kvdl and table["kind"] != "lossy":
                check(table["scenario"] + ", kvdl MiB resident above idle",
                      kvdl["rss_mb"] - extra["idle_rss_mb"], 16)
    return out


def format_tables(tables, extra, tools, loads):
    lines = []
    lines.append("| scenario | tool | ok | wall s min / med / max | MB/s | CPU s | RSS MiB |"
                 " wall ÷ kvdl | CPU ÷ kvdl | RSS ÷ kvdl | speed-up over curl |")
    lines.append("|---|---|---|---|---|---|---|---|---|---|---|")
    for table in tables:
        results = table["results"]
        medians = {}
        for tool in tools:
            good = [run for run in results[tool] if run["ok"]]
            if good:
                medians[tool] = {key: median([run[key] for run in good])
                                 for key in ("wall", "cpu", "rss_mb")}
        base = medians.get("kvdl")
        curl = medians.get("curl")
        for tool in tools:
            runs = results[tool]
            good = [run for run in runs if run["ok"]]
            walls = sorted(run["wall"] for run in good)
            if not good:
                lines.append("| %s | %s | 0/%d | failed | | | | | | | |" % (
                    table["scenario"], tool, len(runs)))
                continue
            m = medians[tool]

            def ratio(key):
                return "%.2f" % (m[key] / base[key]) if base and base[key] else "n/a"
            speed_up = "%.1f×" % (curl["wall"] / m["wall"]) if curl else "n/a"
            lines.append("| %s | %s | %d/%d | %.2f / %.2f / %.2f | %.1f | %.2f | %.1f | %s | %s |"
                         " %s | %s |" % (
                             table["scenario"], tool, len(good), len(runs), walls[0], m["wall"],
                             walls[-1], table["mib"] * MIB / 1e6 / m["wall"], m["cpu"],
                             m["rss_mb"], ratio("wall"), ratio("cpu"), ratio("rss_mb"), speed_up))
    notes = []
    if "idle_rss_mb" in extra:
        idle = extra["idle_rss_mb"]
        notes.append("kvdl download of a 1 MiB file (the idle process): %.1f MiB resident" % idle)
        for table in tables:
            good = [run for run in table["results"].get("kvdl", []) if run["ok"]]
            if good and not table["scenario"].startswith("lossy"):
                notes.append("kvdl above idle, %s: %.1f MiB" % (
                    table["scenario"], median([run["rss_mb"] for run in good]) - idle))
    if "resume" in extra:
        r = extra["resume"]
        again = r["served"] - r["size"]
        per_kill = again / r["kills"] if r["kills"] else 0
        notes.append("resume: %d kills with SIGKILL%s, final digest %s; delivered %d bytes for a "
                     "%d-byte file: %d fetched again, %.0f KiB per kill, %.0f KiB per kill and "
                     "connection" % (r["kills"],
                                     " (finished before the last kill)" if r["finished_early"]
                                     else "", "right" if r["ok"] else "WRONG", r["served"],
                                     r["size"], again, per_kill / 1024,
                                     per_kill / CONNECTIONS / 1024))
        if r["piece_size"]:
            claim = r["piece_size"] * PIECES_PER_REQUEST
            notes.append("resume: one claimed range is %d KiB (%d pieces of %d KiB); fetched "
                         "again per kill and connection = %.2f claimed ranges (goal: at most 1)"
                         % (claim / 1024, PIECES_PER_REQUEST, r["piece_size"] / 1024,
                            per_kill / CONNECTIONS / claim))
    notes += ["goal: " + text for text in goals(tables, extra)]
    for moment, load, busy in loads:
        notes.append("load %s: 1-minute load average %.2f%s" % (
            moment, load, "" if busy is None else ", CPU busy %.0f %% since the last note"
            % (busy * 100)))
    return "\n".join(lines) + "\n\n" + "\n".join("- " + note for note in notes) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kvdl", required=True)
    parser.add_argument("--lossy-link", required=True)
    arguments = parser.parse_args()
    if os.geteuid() != 0:
        log("bench: needs root (network namespaces, TUN devices)")
        return 1
    scenarios = os.environ.get("KV_BENCH_SCENARIOS", ",".join(ALL_SCENARIOS)).split(",")
    unknown = [s for s in scenarios if s not in ALL_SCENARIOS]
    if unknown:
        log("bench: unknown scenarios %s (known: %s)" % (unknown, ALL_SCENARIOS))
        return 2
    bench = Bench(arguments.kvdl, arguments.lossy_link)
    for stop in (signal.SIGTERM, signal.SIGINT):
        signal.signal(stop, lambda *_: sys.exit(130))
    try:
        log("bench: settings %s, tools %s" % (SETTINGS, bench.tools))
        tables, extra = bench.run(scenarios)
    finally:
        bench.close()
    text = format_tables(tables, extra, bench.tools, bench.loads)
    print(text)
    results = os.environ.get("KV_BENCH_RESULTS")
    if results:
        with open(results, "w") as out:
            out.write(text)
    failed = any(not run["ok"] for table in tables for runs in table["results"].values()
                 for run in runs)
    if "resume" in extra and not extra["resume"]["ok"]:
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
