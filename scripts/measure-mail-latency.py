#!/usr/bin/python3
"""Measured run (not a test): from an alert's log line to the server's 250 after DATA, on
loopback against aiosmtpd. Input 1 goes silent every 3.1 s (MuonSec 1; not a whole number of
seconds, so the alerts fall at every phase of the 1 s mail tick), N times; prints the median and
the worst delay (bench/bench_spool measures the spool itself). With --stalled, input 2 is in alert
from the start and every one of its sessions stalls at the server (until our 20 s reply limit),
the whole time input 1's alerts are measured.
Usage: scripts/measure-mail-latency.py BUILD/sonivex [N] [--stalled]"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "tests", "data", "mail", "smtp_server.py")


def lines(fd):
    """Each line the moment it arrives (a file object would read ahead)."""
    pending = b""
    while True:
        chunk = os.read(fd, 65536)
        if not chunk:
            return
        pending += chunk
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            yield line.decode("utf-8", "replace")


def main():
    args = [a for a in sys.argv[1:] if a != "--stalled"]
    stalled = len(args) < len(sys.argv) - 1
    exe = args[0]
    alerts = int(args[1]) if len(args) > 1 else 20
    second = ("NumRec=1\nDevInName_2=Sim In 2\nSimSignal_2=silence 100000\n"
              "MailAddr_2=stuck@x.example\n" if stalled else "")
    with tempfile.TemporaryDirectory() as out, tempfile.TemporaryDirectory() as data:
        server = subprocess.Popen(["/usr/bin/python3", SERVER, "--mode", "plain", "--out", out],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        port = int(server.stdout.readline().split()[1])
        with open(os.path.join(data, "sonivex.ini"), "w") as f:
            f.write("[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nHukkiSec=1\nDevInName_1=Sim In 1\n"
                    "SimSignal_1=tone -20 1.55; silence 1.55\nMailHost=127.0.0.1\n"
                    "MailHostPort=%d\nMailSenderAddr=alert@station.example\nMailUserName=\n"
                    "MailAddr_1=ops@x.example\n%s" % (port, second))
        run = subprocess.Popen([exe, "--dir", data, "--headless", "--audio", "sim",
                                "--quit-after", str(3.1 * alerts + 2)],
                               stdout=subprocess.PIPE, bufsize=0,
                               env=dict(os.environ, XDG_CONFIG_HOME=data))
        delays, start = [], None
        for line in lines(run.stdout.fileno()):
            now = time.monotonic()
            if "ch1 " in line and "(両ch 1秒以上)" in line and "送信 " not in line:
                start = now
            elif "受信 250 2.0.0 kept" in line and start is not None:
                delays.append(now - start)
                start = None
        run.wait()
        server.stdin.close()
        server.wait()
    delays.sort()
    print("alerts %d  median %.3f s  worst %.3f s%s" % (
        len(delays), statistics.median(delays), delays[-1],
        "  (input 2's sessions stalled)" if stalled else ""))


if __name__ == "__main__":
    main()
