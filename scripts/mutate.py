#!/usr/bin/python3
"""Mutation testing: seeds small faults into the core sources one at a time, rebuilds, and runs
the test programs that link the changed file, to see which faults the tests notice.

  scripts/mutate.py [--seed S] [--count N] [--only PREFIX]... [--list]
  scripts/mutate.py --compare OLD.json NEW.json

Mutation sites are found by a small C++ lexer (comments, string and character literals and
preprocessor lines are never touched). Operators:
  rel-flip        a < b -> a >= b, <= -> >, > -> <=, >= -> <, == <-> !=
  boundary        < <-> <=, > <-> >=
  cmp-literal+1/-1  an integer literal compared against: n -> n+1, n -> n-1
  negate-if       if (c) -> if (!(c))
  remove-call     a statement that is only a call, f(...); -> {}
  return-bool     return true <-> return false
  return-int+1/-zero  return n -> n+1, return n -> 0 (1 when n is 0)
  constant+1      any other numeric literal -> +1
Calls to WriteLog and everything inside them are left alone, and so is an `if` whose only body
is a WriteLog call: the wording of a log line is not behaviour the tests pin down, and those
mutants would only add noise. Also left alone: assert() and static_assert() (the build defines
NDEBUG, and a changed static_assert only stops the build), all-capitals macro calls, template
arguments, and the size in an array declaration (a larger array changes nothing). `<` and `>`
count as comparisons only with a space each side, as clang-format writes them; template
brackets never have one inside.

Each mutant is written into the file in place (a copy waits in BUILD/mutate-backup until it is
put back, also on Ctrl-C or SIGTERM; a run killed outright is undone when the next one starts).
The build folder (build-mutate) is configured as the Makefile does but with warnings left
warnings, so a mutant that only adds a warning still builds, and with tests listed when CTest
runs rather than after every link. The programs that hold the file's object, directly or through
the sonivex binary they start, are built and run one by one, quickest first, each with CTest's
working folder and environment and a limit of 3x its unmutated time (at least 20 s); the first
failure kills the mutant. The mutated file keeps its new modification time, so another build
folder recompiles it once.

Sampling is stable against unrelated edits: each candidate is named by its file, operator, the
text of its line, its place among the same operator's sites on that line, and how many identical
lines come before it in the file; the sample is the COUNT candidates whose names hash lowest with
the seed. An edit elsewhere neither renames nor reorders the others, so the rest of the sample
stays; with --only the sample is the same mutants as a full run's, restricted to those files
(plus lower-ranked ones to make up the count).
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_DIRS = ["src/monitor", "src/mail", "src/devices", "src/playback", "src/support", "src/platform"]

# ---------------------------------------------------------------------------------------------
# Lexing

PUNCT = sorted(
    "<=> ->* <<= >>= ... :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .* "
    "{ } [ ] ( ) ; : ? . , + - * / % ^ & | ~ ! = < > #".split(),
    key=len,
    reverse=True,
)
KEYWORDS = set(
    "alignas alignof and asm auto bool break case catch char class co_await co_return co_yield "
    "concept const const_cast consteval constexpr constinit continue decltype default delete do "
    "double dynamic_cast else enum explicit export extern false float for friend goto if inline "
    "int long mutable namespace new noexcept not nullptr operator or private protected public "
    "register reinterpret_cast requires return short signed sizeof static static_assert "
    "static_cast struct switch template this thread_local throw true try typedef typeid typename "
    "union unsigned using virtual void volatile wchar_t while".split()
)
RAW_RE = re.compile(r'(?:u8|u|U|L)?R"([^()\\\s"]{0,16})\(')
NUM_RE = re.compile(r"\.?[0-9](?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*")
ID_RE = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
REL = {"<", ">", "<=", ">=", "==", "!="}
# Calls whose insides are never mutated (see the module text).
SKIP_CALLS = {"WriteLog", "assert", "static_assert", "Q_ASSERT", "Q_ASSERT_X"}


@dataclass
class Tok:
    kind: str  # id, num, str, op
    text: str
    start: int
    end: int
    line: int


def lex(text):
    """Tokens of the code; comments and preprocessor lines are dropped, literals kept whole."""
    toks = []
    i, n, line, bol = 0, len(text), 1, True
    while i < n:
        c = text[i]
        if c == "\n":
            line, bol, i = line + 1, True, i + 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if c == "\\" and text.startswith("\n", i + 1):
            line, i = line + 1, i + 2
            continue
        if c == "#" and bol:
            while i < n and text[i] != "\n":
                if text[i] == "\\" and text.startswith("\n", i + 1):
                    line, i = line + 1, i + 2
                elif text.startswith("/*", i):
                    j = text.find("*/", i + 2)
                    j = n if j < 0 else j + 2
                    line += text.count("\n", i, j)
                    i = j
                elif text.startswith("//", i):
                    j = text.find("\n", i)
                    i = n if j < 0 else j
                else:
                    i += 1
            continue
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            line += text.count("\n", i, j)
            i = j
            continue
        bol = False
        m = RAW_RE.match(text, i)
        if m and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            close = ")" + m.group(1) + '"'
            j = text.find(close, m.end())
            j = n if j < 0 else j + len(close)
            toks.append(Tok("str", text[i:j], i, j, line))
            line += text.count("\n", i, j)
            i = j
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            toks.append(Tok("str", text[i:j], i, j, line))
            i = j
            continue
        m = NUM_RE.match(text, i)
        if m:
            toks.append(Tok("num", m.group(0), i, m.end(), line))
            i = m.end()
            continue
        m = ID_RE.match(text, i)
        if m:
            toks.append(Tok("id", m.group(0), i, m.end(), line))
            i = m.end()
            continue
        for p in PUNCT:
            if text.startswith(p, i):
                toks.append(Tok("op", p, i, i + len(p), line))
                i += len(p)
                break
        else:
            toks.append(Tok("op", c, i, i + 1, line))
            i += 1
    return toks


def match_brackets(toks):
    """Index of the partner of every (, [ and {, both ways."""
    partner, stack = {}, []
    pairs = {")": "(", "]": "[", "}": "{"}
    for k, t in enumerate(toks):
        if t.kind != "op":
            continue
        if t.text in "([{":
            stack.append(k)
        elif t.text in pairs:
            while stack and toks[stack[-1]].text != pairs[t.text]:
                stack.pop()  # tolerate stray brackets rather than fail on odd code
            if stack:
                o = stack.pop()
                partner[o], partner[k] = k, o
    return partner


# ---------------------------------------------------------------------------------------------
# Numbers


def parse_int(text):
    """(value, formatter) of an integer literal, or None for floats and anything unusual."""
    s = text.replace("'", "")
    m = re.fullmatch(r"(0[xX][0-9a-fA-F]+|0[bB][01]+|0[0-7]*|[1-9][0-9]*)([uUlLzZ]*)", s)
    if not m:
        return None
    body, suffix = m.groups()
    if body[:2] in ("0x", "0X"):
        upper = body[2:] != body[2:].lower()

        def hexa(v):
            digits = "%X" % abs(v) if upper else "%x" % abs(v)
            return ("-" if v < 0 else "") + body[:2] + digits + suffix

        return int(body, 16), hexa
    if body[:2] in ("0b", "0B"):
        return int(body, 2), lambda v: bin(v) + suffix if v >= 0 else "-" + bin(-v) + suffix
    if len(body) > 1 and body[0] == "0":
        return int(body, 8), lambda v: ("0%o" % v if v >= 0 else "-0%o" % -v) + suffix
    # An unsigned literal must not go below zero; n-1 of 0u stays a valid (huge) unsigned value.
    return int(body), lambda v: str(v) + suffix


def parse_float(text):
    s = text.replace("'", "")
    m = re.fullmatch(r"((?:[0-9]+\.[0-9]*|\.[0-9]+|[0-9]+)(?:[eE][+-]?[0-9]+)?)([fFlL]?)", s)
    if not m or not re.search(r"[.eE]", m.group(1)):
        return None
    return float(m.group(1)), m.group(2)


def float_text(v, suffix):
    t = repr(v)
    if "e" not in t and "." not in t and "inf" not in t:
        t += ".0"
    return t + suffix


# ---------------------------------------------------------------------------------------------
# Candidate sites


@dataclass
class Mutant:
    file: str
    line: int
    col: int
    op: str
    edits: list  # [(start, end, replacement)] on the original text
    key: str = ""
    rank: str = ""
    before: str = ""
    after: str = ""
    result: str = ""
    detail: str = ""
    build_s: float = 0.0
    test_s: float = 0.0

    @property
    def short(self):
        return hashlib.sha1(self.key.encode()).hexdigest()[:8]

    def where(self):
        return f"{self.file}:{self.line}"


def skipped_spans(toks, partner):
    """Token index ranges inside calls that are never mutated, and the calls' own indices."""
    spans = []
    for k, t in enumerate(toks):
        if t.kind == "id" and t.text in SKIP_CALLS and k + 1 < len(toks):
            if toks[k + 1].text == "(" and k + 1 in partner:
                spans.append((k, partner[k + 1]))
    return spans


def is_binary_rel(toks, k, text):
    """A comparison operator, not a template bracket, a shift or an operator declaration."""
    t = toks[k]
    if t.kind != "op" or t.text not in REL:
        return False
    if k > 0 and toks[k - 1].text == "operator":
        return False
    if t.text in ("<", ">"):
        # The code is clang-formatted: comparisons have a space each side, template brackets
        # have none inside.
        if t.start == 0 or t.end >= len(text):
            return False
        if not (text[t.start - 1].isspace() and text[t.end].isspace()):
            return False
        if k > 0 and toks[k - 1].text == "template":
            return False
    return True


def statement_starts(toks, partner):
    """Indices of tokens that begin a statement (as far as a call statement can tell)."""
    header_close = set()
    for k, t in enumerate(toks):
        if t.kind == "id" and t.text in ("if", "while", "for", "switch"):
            j = k + 1
            if j < len(toks) and toks[j].text == "constexpr":
                j += 1
            if j < len(toks) and toks[j].text == "(" and j in partner:
                header_close.add(partner[j])
    starts = set()
    for k in range(len(toks)):
        if k == 0:
            starts.add(k)
            continue
        p = toks[k - 1]
        if p.text in (";", "{", "}") and p.kind == "op" or p.text in ("else", "do") and p.kind == "id":
            starts.add(k)
        elif k - 1 in header_close:
            starts.add(k)
    return starts


def call_statement_end(toks, partner, k):
    """Index of the ';' when toks[k:] is a statement that is only a call, else None."""
    t = toks[k]
    if t.kind != "id" or (t.text in KEYWORDS and t.text != "this"):
        return None
    last_name = t.text
    j = k + 1
    while j < len(toks):
        s = toks[j].text
        if s == "::" and j + 1 < len(toks) and toks[j + 1].kind == "id":
            last_name = toks[j + 1].text
            j += 2
        elif s in (".", "->") and j + 1 < len(toks) and toks[j + 1].kind == "id":
            last_name = toks[j + 1].text
            j += 2
        elif s == "[" and j in partner:
            j = partner[j] + 1
        elif s == "(" and j in partner:
            close = partner[j]
            if close + 1 < len(toks) and toks[close + 1].text == ";":
                if re.fullmatch(r"[A-Z][A-Z0-9_]*", last_name) or last_name in SKIP_CALLS:
                    return None  # macros and skipped calls
                return close + 1
            j = close + 1
            if j >= len(toks) or toks[j].text not in (".", "->", "["):
                return None
        else:
            return None
    return None


def number_sites(toks, k, text):
    """(start, end, value_kind, value, fmt) of the literal at k, with a unary minus folded in."""
    t = toks[k]
    start, sign = t.start, 1
    if k >= 2 and toks[k - 1].text == "-" and toks[k - 1].end == t.start:
        b = toks[k - 2]
        if not (b.kind in ("num", "str") or b.kind == "id" and b.text not in KEYWORDS
                or b.text in (")", "]")):
            start, sign = toks[k - 1].start, -1
    iv = parse_int(t.text)
    if iv:
        return start, t.end, "int", sign * iv[0], iv[1], k - (1 if sign < 0 else 0)
    fv = parse_float(t.text)
    if fv:
        return start, t.end, "float", sign * fv[0], fv[1], k - (1 if sign < 0 else 0)
    return None


def is_declared_size(toks, k, first):
    """`Type name[N]`: an array size, where a bigger array changes nothing observable."""
    if first < 3 or toks[first - 1].text != "[" or k + 1 >= len(toks) or toks[k + 1].text != "]":
        return False
    name, before = toks[first - 2], toks[first - 3]
    return name.kind == "id" and (
        before.kind == "id" and before.text not in ("return", "case", "else")
        or before.text in (">", "*", "&", "::")
    )


def find_sites(rel, text):
    toks = lex(text)
    partner = match_brackets(toks)
    skip = set()
    for a, b in skipped_spans(toks, partner):
        skip.update(range(a, b + 1))

    sites = []

    def add(k, op, edits):
        if any(m.edits == edits for m in sites[-4:]):
            return  # the same change under another name (return -1: +1 and zero are both 0)
        t = toks[k]
        col = t.start - text.rfind("\n", 0, t.start)
        sites.append(Mutant(rel, t.line, col, op, edits))

    starts = statement_starts(toks, partner)
    for k, t in enumerate(toks):
        if k in skip:
            continue
        # Relational operators
        if is_binary_rel(toks, k, text):
            flip = {"<": ">=", ">=": "<", ">": "<=", "<=": ">", "==": "!=", "!=": "=="}[t.text]
            add(k, "rel-flip", [(t.start, t.end, flip)])
            bound = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}.get(t.text)
            if bound:
                add(k, "boundary", [(t.start, t.end, bound)])
        # Negated conditions
        if t.kind == "id" and t.text == "if":
            j = k + 1
            if j < len(toks) and toks[j].text == "constexpr":
                j += 1
            if j < len(toks) and toks[j].text == "(" and j in partner:
                close = partner[j]
                inner = toks[j + 1 : close]
                depth, plain = 0, True
                for u in inner:
                    if u.text in ("(", "[", "{"):
                        depth += 1
                    elif u.text in (")", "]", "}"):
                        depth -= 1
                    elif depth == 0 and u.text in (";", "="):
                        plain = False  # an init-statement or a declaration
                if plain and inner and not log_only_body(toks, partner, close + 1):
                    add(k, "negate-if", [(toks[j].end, toks[j].end, "!("),
                                         (toks[close].start, toks[close].start, ")")])
        # Calls removed
        if k in starts:
            end = call_statement_end(toks, partner, k)
            if end is not None:
                add(k, "remove-call", [(t.start, toks[end].end, "{}")])
        # Returned values
        if t.kind == "id" and t.text == "return" and k + 2 < len(toks):
            nxt, after = toks[k + 1], toks[k + 2]
            if nxt.text in ("true", "false") and after.text == ";":
                add(k + 1, "return-bool",
                    [(nxt.start, nxt.end, "false" if nxt.text == "true" else "true")])
        # Numeric literals
        if t.kind == "num":
            site = number_sites(toks, k, text)
            if not site:
                continue
            start, end, vkind, value, fmt, first = site
            prev = toks[first - 1] if first > 0 else None
            nxt = toks[k + 1] if k + 1 < len(toks) else None
            if nxt and nxt.text == ">" and nxt.start == t.end:
                continue  # a template argument
            if is_declared_size(toks, k, first):
                continue
            compared = (prev is not None and is_binary_rel(toks, first - 1, text)) or (
                nxt is not None and is_binary_rel(toks, k + 1, text))
            returned = prev is not None and prev.text == "return" and nxt is not None and nxt.text == ";"
            if vkind == "int" and compared:
                add(first, "cmp-literal+1", [(start, end, fmt(value + 1))])
                add(first, "cmp-literal-1", [(start, end, fmt(value - 1))])
            elif vkind == "int" and returned:
                add(first, "return-int+1", [(start, end, fmt(value + 1))])
                add(first, "return-int-zero", [(start, end, fmt(0 if value != 0 else 1))])
            elif vkind == "int":
                add(first, "constant+1", [(start, end, fmt(value + 1))])
            else:
                add(first, "constant+1", [(start, end, float_text(value + 1, fmt))])
    return sites


def log_only_body(toks, partner, k):
    """True when the statement at k is a WriteLog call, bare or alone in braces."""
    if k < len(toks) and toks[k].text == "{" and k in partner:
        k += 1
        body_end = partner[k - 1]
    else:
        body_end = None
    if k >= len(toks) or toks[k].text != "WriteLog":
        return False
    if k + 1 < len(toks) and toks[k + 1].text == "(" and k + 1 in partner:
        end = partner[k + 1] + 1
        return body_end is None or end + 1 == body_end
    return False


def encode(text):
    """Bytes of a source text as enumerate_mutants decoded it: the exact bytes it came from."""
    return text.encode("utf-8", "surrogateescape")


def apply_edits(text, edits):
    for start, end, repl in sorted(edits, reverse=True):
        text = text[:start] + repl + text[end:]
    return text


def describe(text, m):
    """Before and after texts of the lines the mutant touches, on one line each."""
    lo = min(e[0] for e in m.edits)
    hi = max(e[1] for e in m.edits)
    a = text.rfind("\n", 0, lo) + 1
    b = text.find("\n", hi)
    b = len(text) if b < 0 else b
    before = text[a:b]
    after = apply_edits(before, [(s - a, e - a, r) for s, e, r in m.edits])

    def flat(s):
        s = " ".join(s.split())
        return s if len(s) <= 200 else s[:197] + "..."

    return flat(before), flat(after)


def name_mutants(rel, text, sites):
    """Give every site a name that does not depend on the rest of the file (see the module text)."""
    lines = text.split("\n")
    seen, dup_of_line = {}, {}
    for no, raw in enumerate(lines, 1):
        norm = " ".join(raw.split())
        dup_of_line[no] = seen.get(norm, 0)
        seen[norm] = seen.get(norm, 0) + 1
    sites.sort(key=lambda m: (m.line, m.col, m.op))
    place = {}
    for m in sites:
        norm = " ".join(lines[m.line - 1].split())
        slot = (m.line, m.op)
        place[slot] = place.get(slot, -1) + 1
        m.key = f"{rel}|{m.op}|{norm}|{place[slot]}|{dup_of_line[m.line]}"
        m.before, m.after = describe(text, m)


def source_files(only):
    files = []
    for d in DEFAULT_DIRS:
        for p in sorted((ROOT / d).glob("*.cpp")):
            rel = p.relative_to(ROOT).as_posix()
            if not only or any(rel.startswith(o.rstrip("/")) for o in only):
                files.append(rel)
    return files


def enumerate_mutants(only):
    allm, texts = [], {}
    for rel in source_files(only):
        text = (ROOT / rel).read_bytes().decode("utf-8", "surrogateescape")
        texts[rel] = text
        sites = find_sites(rel, text)
        name_mutants(rel, text, sites)
        allm.extend(sites)
    allm.sort(key=lambda m: (m.file, m.line, m.col, m.op))
    return allm, texts


def sample(allm, seed, count):
    for m in allm:
        m.rank = hashlib.sha256(f"{seed}\0{m.key}".encode()).hexdigest()
    chosen = sorted(allm, key=lambda m: m.rank)[:count]
    chosen.sort(key=lambda m: (m.file, m.line, m.col, m.op))
    return chosen


# ---------------------------------------------------------------------------------------------
# Build and tests


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(signal.Signals(signum).name)


def fmt_secs(s):
    s = int(s)
    return f"{s // 3600}h{s // 60 % 60:02d}m{s % 60:02d}s" if s >= 3600 else f"{s // 60}m{s % 60:02d}s"


def last_line(path):
    try:
        with open(path, "rb") as f:
            f.seek(0, os.SEEK_END)
            f.seek(max(0, f.tell() - 4096))
            lines = f.read().decode(errors="replace").strip().splitlines()
            return lines[-1][:150] if lines else ""
    except OSError:
        return ""


def signal_group(pgid, sig):
    try:
        os.killpg(pgid, sig)
    except (ProcessLookupError, PermissionError):
        pass


def run_quiet(cmd, log, timeout=None, cwd=None, env=None, label=None):
    """Runs cmd in its own process group with output to log; (returncode or None on timeout, s).

    With a label, the log's last line is shown every half minute so long steps show progress."""
    t0 = time.monotonic()
    with open(log, "wb") as out:
        p = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT,
                             stdin=subprocess.DEVNULL, start_new_session=True)
        rc = None
        try:
            while True:
                left = None if timeout is None else timeout - (time.monotonic() - t0)
                if left is not None and left <= 0:
                    break
                try:
                    rc = p.wait(timeout=30 if left is None else min(30, left))
                    break
                except subprocess.TimeoutExpired:
                    if label:
                        print(f"    ... {label} {fmt_secs(time.monotonic() - t0)}: "
                              f"{last_line(log) or 'running'}", flush=True)
        finally:
            if p.poll() is None:
                # Stopped or out of time. TERM first: ninja then deletes what its interrupted
                # commands half wrote, so the next build does not take a broken link for done.
                signal_group(p.pid, signal.SIGTERM)
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
            # Also whatever the command started and left behind (a program under test, a server).
            signal_group(p.pid, signal.SIGKILL)
            p.wait()
    return rc, time.monotonic() - t0


def tail(path, lines=30):
    try:
        return "\n".join(Path(path).read_text(errors="replace").splitlines()[-lines:])
    except OSError:
        return ""


class Runner:
    def __init__(self, args):
        self.args = args
        self.build = Path(args.build_dir)
        if not self.build.is_absolute():
            self.build = ROOT / self.build
        self.logs = self.build / "mutate-logs"
        self.backups = self.build / "mutate-backup"
        self.exe_syms = {}
        self.tests = {}  # executable -> [(cwd, env overrides, gtest filter or None)]
        self.baseline = {}

    # -- restoring ---------------------------------------------------------------------------
    def recover(self):
        """Puts back any source a killed earlier run left mutated."""
        if not self.backups.is_dir():
            return
        for b in sorted(self.backups.rglob("*")):
            if b.is_file():
                rel = b.relative_to(self.backups)
                src = ROOT / rel
                if not src.exists() or src.read_bytes() != b.read_bytes():
                    src.write_bytes(b.read_bytes())
                    print(f"mutate: restored {rel} from a run that was stopped", flush=True)
                b.unlink()

    # -- configure and build ----------------------------------------------------------------
    def configure(self):
        cache = self.build / "CMakeCache.txt"
        want = ["SONIVEX_WERROR:BOOL=OFF", "SONIVEX_BENCH:BOOL=OFF",
                "CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE:STRING=PRE_TEST"]
        if (self.build / "build.ninja").exists() and cache.exists():
            text = cache.read_text(errors="replace")
            if all(w in text for w in want):
                return
        env = dict(os.environ)
        if "CMAKE_CXX_COMPILER_LAUNCHER" not in env and shutil.which("ccache"):
            env["CMAKE_CXX_COMPILER_LAUNCHER"] = "ccache"  # restoring a file is then a cache hit
        # Tests are listed when CTest runs, not after each link: a mutant that breaks listing
        # is then a failing test, not a failed build, and relinking stays cheap.
        cmd = ["cmake", "-S", str(ROOT), "-B", str(self.build), "-G", "Ninja",
               "-DSONIVEX_WERROR=OFF", "-DSONIVEX_BENCH=OFF",
               "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE:STRING=PRE_TEST"]
        print("mutate: configuring", self.build, flush=True)
        self.build.mkdir(parents=True, exist_ok=True)
        if subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL).returncode != 0:
            sys.exit("mutate: cmake configure failed")

    def build_targets(self, targets, log):
        cmd = ["cmake", "--build", str(self.build), "-j", str(self.args.jobs)]
        if targets:
            cmd += ["--target", *targets]
        return run_quiet(cmd, log, label="build")

    # -- which programs a file ends up in -----------------------------------------------------
    def object_of(self, rel):
        if not hasattr(self, "_objects"):
            self._objects = {}
            for e in json.loads((self.build / "compile_commands.json").read_text()):
                src = Path(e["file"]).resolve()
                out = Path(e["directory"]) / e.get("output", "")
                self._objects[src] = out
        return self._objects.get((ROOT / rel).resolve())

    def symbols(self, path, strong_only):
        out = subprocess.run(["nm", "--defined-only", "-g", "--format=posix", str(path)],
                             capture_output=True, text=True).stdout
        names = set()
        for ln in out.splitlines():
            parts = ln.split()
            if len(parts) >= 2 and (not strong_only or parts[1] in "TDBRGSC"):
                names.add(parts[0])
        return names

    def exe_symbols(self, exe):
        if exe not in self.exe_syms:
            self.exe_syms[exe] = self.symbols(exe, strong_only=False)
        return self.exe_syms[exe]

    def runs_program(self, exe):
        """Test programs that start the sonivex binary have its path compiled in."""
        needle = str(self.build / "sonivex").encode() + b"\0"
        return needle in Path(exe).read_bytes()

    def affected(self, rel):
        """Test programs that contain the file's object, directly or through the binary they run.

        A static library member is linked only when something needs it, so a program holds the
        file exactly when it defines one of the object's strong symbols."""
        if not hasattr(self, "_affected"):
            self._affected = {}
            self._runs = {exe: self.runs_program(exe) for exe in self.tests}
        if rel in self._affected:
            return self._affected[rel]
        obj = self.object_of(rel)
        syms = self.symbols(obj, strong_only=True) if obj and obj.exists() else set()
        if not syms:
            result = sorted(self.tests)  # cannot tell: every program links every library
        else:
            program = self.build / "sonivex"
            in_program = bool(syms & self.exe_symbols(program))
            result = sorted(exe for exe in self.tests
                            if syms & self.exe_symbols(exe) or in_program and self._runs[exe])
        self._affected[rel] = result
        return result

    # -- tests ------------------------------------------------------------------------------
    def discover_tests(self):
        """Each test program with the working folder and environment CTest gives its tests."""
        log = self.logs / "ctest-list.log"
        out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=self.build, capture_output=True,
                             text=True)
        if out.returncode != 0:
            sys.exit("mutate: ctest could not list the tests:\n" + out.stderr[-2000:])
        log.write_text(out.stdout)
        groups = {}
        for t in json.loads(out.stdout).get("tests", []):
            cmd = t.get("command") or []
            if not cmd or not Path(cmd[0]).is_file() or self.build not in Path(cmd[0]).parents:
                continue  # not a test program of this build (CTest's stand-in for an unbuilt one)
            props = {p["name"]: p["value"] for p in t.get("properties", [])}
            env = {}
            for kv in props.get("ENVIRONMENT", []):
                k, _, v = kv.partition("=")
                env[k] = v
            if "ENVIRONMENT_MODIFICATION" in props:
                print(f"mutate: note: {t['name']} has ENVIRONMENT_MODIFICATION, not applied")
            cwd = props.get("WORKING_DIRECTORY", str(self.build))
            filt = next((a.split("=", 1)[1] for a in cmd[1:] if a.startswith("--gtest_filter=")),
                        None)
            extra = tuple(a for a in cmd[1:] if not a.startswith("--gtest_filter="))
            g = groups.setdefault(cmd[0], {}).setdefault((cwd, tuple(sorted(env.items())), extra),
                                                         [])
            g.append(filt)
        for exe, by_setting in groups.items():
            runs = []
            for (cwd, env, extra), filters in by_setting.items():
                # One process per setting; when a program's tests all share one, no filter.
                flt = None if len(by_setting) == 1 else ":".join(f for f in filters if f)
                runs.append((cwd, dict(env), list(extra), flt))
            self.tests[exe] = runs

    def run_exe(self, exe, timeout, log):
        """(status, seconds, first failing test): status is pass, fail or timeout."""
        total, first_fail = 0.0, ""
        for cwd, env_over, extra, flt in self.tests[exe]:
            env = dict(os.environ)
            env.update(env_over)
            cmd = [exe, *extra, "--gtest_brief=1", "--gtest_fail_fast"]
            if flt:
                cmd.append("--gtest_filter=" + flt)
            rc, secs = run_quiet(cmd, log, timeout=None if timeout is None else timeout - total,
                                 cwd=cwd, env=env, label=Path(exe).name)
            total += secs
            if rc is None:
                return "timeout", total, ""
            if rc != 0:
                m = re.search(r"^\[  FAILED  \] (\S+)", Path(log).read_text(errors="replace"), re.M)
                first_fail = m.group(1) if m else f"exit status {rc}"
                return "fail", total, first_fail
        return "pass", total, ""

    # -- the run ----------------------------------------------------------------------------
    def prepare(self, files):
        self.logs.mkdir(parents=True, exist_ok=True)
        self.configure()
        print("mutate: building the unmutated tree", flush=True)
        rc, secs = self.build_targets([], self.logs / "baseline-build.log")
        if rc != 0:
            sys.exit("mutate: the unmutated tree does not build:\n"
                     + tail(self.logs / "baseline-build.log"))
        print(f"mutate: built in {secs:.0f} s", flush=True)
        self.discover_tests()
        needed = sorted({exe for rel in files for exe in self.affected(rel)})
        for exe in needed:
            log = self.logs / f"baseline-{Path(exe).name}.log"
            status, secs, failed = self.run_exe(exe, None, log)
            name = Path(exe).name
            if status != "pass":
                sys.exit(f"mutate: {name} fails on the unmutated tree ({failed}); see {log}\n"
                         + tail(log))
            self.baseline[exe] = secs
            print(f"mutate: baseline {name}: {secs:.1f} s", flush=True)

    def limit(self, exe):
        return max(self.args.min_timeout, self.args.timeout_factor * self.baseline[exe])

    def try_mutant(self, m, text):
        src = ROOT / m.file
        backup = self.backups / m.file
        original = encode(text)
        if src.read_bytes() != original:
            m.result, m.detail = "skipped", "the file changed during the run"
            return
        # Cheapest program first, and each built only when it is its turn: most mutants die in
        # the first one, and linking the rest would cost more than running them.
        exes = sorted(self.affected(m.file), key=lambda e: self.baseline.get(e, 0))
        if not exes:
            m.result, m.detail = "survived", "no test program links this file"
            return
        backup.parent.mkdir(parents=True, exist_ok=True)
        backup.write_bytes(original)
        try:
            src.write_bytes(encode(apply_edits(text, m.edits)))
            m.result = "survived"
            for exe in exes:
                log = self.logs / "mutant-build.log"
                rc, secs = self.build_targets([Path(exe).name], log)
                m.build_s += secs
                if rc != 0:
                    m.result = "not compiled"
                    errs = [ln for ln in tail(log, 200).splitlines() if "error" in ln]
                    m.detail = errs[0].strip()[:200] if errs else "build failed"
                    return
                status, secs, failed = self.run_exe(exe, self.limit(exe),
                                                    self.logs / "mutant-test.log")
                m.test_s += secs
                if status == "fail":
                    m.result, m.detail = "killed", f"{Path(exe).name}: {failed}"
                    return
                if status == "timeout":
                    m.result = "timed out"
                    m.detail = f"{Path(exe).name} ran past {self.limit(exe):.0f} s"
                    return
        finally:
            # Put the file back even when interrupted; a second Ctrl-C must not stop this.
            old = signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM})
            try:
                src.write_bytes(original)
                backup.unlink()
            finally:
                signal.pthread_sigmask(signal.SIG_SETMASK, old)


def summarize(mutants):
    c = {r: sum(1 for m in mutants if m.result == r)
         for r in ("killed", "timed out", "survived", "not compiled", "skipped")}
    compiled = c["killed"] + c["timed out"] + c["survived"]
    rate = (c["killed"] + c["timed out"]) / compiled if compiled else 0.0
    return c, compiled, rate


def write_report(runner, args, mutants, total_candidates, started, elapsed, complete):
    done = [m for m in mutants if m.result]
    c, compiled, rate = summarize(done)
    mean = elapsed / len(done) if done else 0.0
    mean_build = sum(m.build_s for m in done) / len(done) if done else 0.0
    mean_test = sum(m.test_s for m in done) / len(done) if done else 0.0
    out = []
    out.append(f"sonivex mutation run, seed {args.seed}: {len(done)} of {len(mutants)} sampled "
               f"mutants run ({total_candidates} candidates)" + ("" if complete else ", STOPPED EARLY"))
    if args.only:
        out.append("files: " + ", ".join(args.only))
    out.append(f"killed {c['killed']}, timed out {c['timed out']}, survived {c['survived']}, "
               f"not compiled {c['not compiled']}"
               + (f", skipped {c['skipped']} (file edited during the run)" if c["skipped"] else ""))
    out.append(f"kill rate (killed + timed out) / compiled = {c['killed'] + c['timed out']}/"
               f"{compiled} = {100 * rate:.1f}%")
    out.append(f"time: {fmt_secs(elapsed)} for the mutants, {mean:.1f} s per mutant "
               f"(build {mean_build:.1f} s, tests {mean_test:.1f} s)")
    out.append("baseline test times: " + ", ".join(
        f"{Path(e).name} {s:.1f} s" for e, s in sorted(runner.baseline.items())))
    out.append("")
    out.append("Survivors:")
    for m in done:
        if m.result == "survived":
            note = f"  ({m.detail})" if m.detail else ""
            out.append(f"  {m.where()} [{m.op}] {m.before}  →  {m.after}{note}")
    out.append("")
    out.append("All mutants:")
    for m in done:
        out.append(f"  {m.short} {m.where()} [{m.op}] {m.result}"
                   + (f": {m.detail}" if m.detail else ""))
    (runner.build / "report.txt").write_text("\n".join(out) + "\n", encoding="utf-8")
    data = {
        "seed": args.seed, "count": args.count, "only": args.only, "candidates": total_candidates,
        "started": started, "complete": complete, "elapsed_s": round(elapsed, 1),
        "counts": c, "kill_rate": round(rate, 4),
        "baseline_s": {Path(e).name: round(s, 2) for e, s in runner.baseline.items()},
        "mutants": [
            {"id": m.short, "key": m.key, "file": m.file, "line": m.line, "col": m.col,
             "op": m.op, "before": m.before, "after": m.after, "result": m.result,
             "detail": m.detail, "build_s": round(m.build_s, 2), "test_s": round(m.test_s, 2)}
            for m in done
        ],
    }
    (runner.build / "report.json").write_text(json.dumps(data, indent=1, ensure_ascii=False) + "\n",
                                              encoding="utf-8")
    return "\n".join(out[:5])


# ---------------------------------------------------------------------------------------------
# Comparing two runs


def compare(old_path, new_path):
    old = json.loads(Path(old_path).read_text(encoding="utf-8"))
    new = json.loads(Path(new_path).read_text(encoding="utf-8"))
    o = {m["key"]: m for m in old["mutants"]}
    n = {m["key"]: m for m in new["mutants"]}
    dead = ("killed", "timed out")

    def show(m):
        return f"  {m['file']}:{m['line']} [{m['op']}] {m['before']}  →  {m['after']}"

    groups = [
        ("killed before, not now", [k for k in o if k in n and o[k]["result"] in dead
                                    and n[k]["result"] not in dead]),
        ("killed now, not before", [k for k in n if k in o and n[k]["result"] in dead
                                    and o[k]["result"] not in dead]),
    ]
    for title, keys in groups:
        print(f"{title}: {len(keys)}")
        for k in keys:
            print(show(n[k]) + f"  ({o[k]['result']} -> {n[k]['result']})")
    only_old = [k for k in o if k not in n]
    only_new = [k for k in n if k not in o]
    print(f"in {old_path} only: {len(only_old)}; in {new_path} only: {len(only_new)}")
    for name, data in (("old", old), ("new", new)):
        c = data["counts"]
        print(f"{name}: killed {c['killed']}, timed out {c['timed out']}, survived "
              f"{c['survived']}, not compiled {c['not compiled']}, kill rate "
              f"{100 * data['kill_rate']:.1f}%")
    return 1 if groups[0][1] else 0


# ---------------------------------------------------------------------------------------------


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seed", default=os.environ.get("SEED", "1"), help="default: $SEED or 1")
    ap.add_argument("--count", type=int, default=int(os.environ.get("MUTANTS") or 120),
                    help="mutants to run; default: $MUTANTS or 120")
    ap.add_argument("--only", action="append", default=[], metavar="PATH_PREFIX",
                    help="only files whose path starts with this (repeatable)")
    ap.add_argument("--list", action="store_true", help="print the sampled mutants and stop")
    ap.add_argument("--compare", nargs=2, metavar=("OLD_JSON", "NEW_JSON"))
    ap.add_argument("--killed-in", metavar="OLD_JSON",
                    help="run only the sampled mutants that OLD_JSON's run killed: after tests "
                         "were cut, the others cannot be killed by fewer tests")
    ap.add_argument("--build-dir", default="build-mutate")
    ap.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    ap.add_argument("--timeout-factor", type=float, default=3.0)
    ap.add_argument("--min-timeout", type=float, default=20.0)
    args = ap.parse_args()

    if args.compare:
        return compare(*args.compare)

    runner = Runner(args)
    runner.recover()  # a stopped run's mutant must not be taken for the source
    allm, texts = enumerate_mutants(args.only)
    if not allm:
        sys.exit("mutate: no mutation sites in " + (", ".join(args.only) or "the source folders"))
    mutants = sample(allm, args.seed, args.count)
    if args.killed_in:
        old = json.loads(Path(args.killed_in).read_text(encoding="utf-8"))
        killed = {m["key"] for m in old["mutants"] if m["result"] in ("killed", "timed out")}
        mutants = [m for m in mutants if m.key in killed]
    if args.list:
        for m in mutants:
            print(f"{m.short} {m.where()} [{m.op}] {m.before}  →  {m.after}")
        print(f"{len(mutants)} of {len(allm)} candidates, seed {args.seed}")
        return 0

    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)
    runner.prepare(sorted({m.file for m in mutants}))

    started = time.strftime("%Y-%m-%d %H:%M:%S")
    t0 = time.monotonic()
    complete = False
    try:
        for k, m in enumerate(mutants, 1):
            t1 = time.monotonic()
            print(f"[{k}/{len(mutants)}] {m.where()} [{m.op}] {m.before}  →  {m.after}", flush=True)
            runner.try_mutant(m, texts[m.file])
            elapsed = time.monotonic() - t0
            left = elapsed / k * (len(mutants) - k)
            print(f"    {m.result.upper()}{' (' + m.detail + ')' if m.detail else ''}  "
                  f"{time.monotonic() - t1:.1f} s, elapsed {fmt_secs(elapsed)}, "
                  f"about {fmt_secs(left)} left", flush=True)
        complete = True
    except (KeyboardInterrupt, Interrupted) as e:
        print(f"\nmutate: stopped ({e or 'interrupted'}); every file is restored", flush=True)
    finally:
        summary = write_report(runner, args, mutants, len(allm), started, time.monotonic() - t0,
                               complete)
        print()
        print(summary)
        print(f"report: {runner.build / 'report.txt'} and report.json")
    return 0 if complete else 130


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (KeyboardInterrupt, Interrupted):
        sys.exit("\nmutate: stopped")
