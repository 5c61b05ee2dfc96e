#!/usr/bin/python3
"""A local SMTP server for the mail tests: aiosmtpd on 127.0.0.1 in plain, STARTTLS or TLS mode
(with a new self-signed certificate, OUT/cert.pem), optionally with AUTH PLAIN. Prints
"READY <port>" once it listens, writes every message it takes to OUT/NNN.eml (the raw bytes) and
OUT/NNN.json (envelope and login), and ends when its standard input closes. A stuck* recipient
holds its session 25 s, past the client's reply limit (scripts/measure-mail-latency.py --stalled)."""
import argparse
import asyncio
import json
import logging
import os
import random
import socket
import ssl
import subprocess
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def bind(wanted):
    # A free port below 32768 unless one is wanted: the mail port setting is 16-bit signed.
    for port in [wanted] if wanted else [random.randint(20000, 32000) for _ in range(200)]:
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("127.0.0.1", port))
            return s, port
        except OSError:
            s.close()
    sys.exit("no free port")


class Keeper:
    def __init__(self, out):
        self.out = out
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("stuck"):
            await asyncio.sleep(25)
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, "%03d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        login = session.auth_data.login.decode() if session.authenticated else ""
        with open(base + ".json", "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                       "login": login,
                       "tls": server.transport.get_extra_info("ssl_object") is not None}, f)
        return "250 2.0.0 kept as %03d" % self.count


async def serve(args):
    ctx = None
    if args.mode != "plain":
        cert, key = os.path.join(args.out, "cert.pem"), os.path.join(args.out, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "2", "-subj", "/CN=127.0.0.1",
                        "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                       check=True, capture_output=True)
        ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        ctx.load_cert_chain(cert, key)
    keeper = Keeper(args.out)

    def authenticate(server, session, envelope, mechanism, data):
        ok = (isinstance(data, LoginPassword) and data.login.decode() == args.user
              and data.password.decode() == args.password)
        # handled=False: the server itself answers 535 to a failure
        return AuthResult(success=ok, handled=False, auth_data=data if ok else None)
    auth = authenticate if args.user else None

    def factory():
        return SMTP(keeper, hostname="mail.test", ident="test server",
                    tls_context=ctx if args.mode == "starttls" else None,
                    require_starttls=args.mode == "starttls",
                    # without a user, a plain connection offers no AUTH at all
                    auth_required=auth is not None, auth_require_tls=auth is None,
                    authenticator=auth)

    sock, port = bind(args.port)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(factory, sock=sock,
                                      ssl=ctx if args.mode == "tls" else None)
    print("READY %d" % port, flush=True)
    closed = asyncio.Event()
    loop.add_reader(sys.stdin.fileno(), lambda: closed.set() if not sys.stdin.read(1) else None)
    await closed.wait()
    server.close()


def main():
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    p = argparse.ArgumentParser()
    for name in ("mode", "user", "password", "out"):
        p.add_argument("--" + name, default="")
    p.add_argument("--port", type=int, default=0)
    asyncio.run(serve(p.parse_args()))


if __name__ == "__main__":
    main()
