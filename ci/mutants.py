#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Mutation run: plants small faults in the C and C++ sources of a folder, one
# at a time, and sees whether the tests notice. The sites are picked from the
# seed, so a run can be repeated; each mutant is applied to a copy of the
# tree (build/mutants/src, built in build/mutants/build from the dev preset),
# never to the tree itself. Per mutant it prints not-built (the mutated source
# does not compile), same-code (it compiles to the very machine code of the
# unmutated source, so no test can tell them apart), caught (the first failing
# test, the build of the tests, or the time limit) or survived, with file:line
# and the change, then the caught share of the mutants that build and change
# the code.
#
# Usage: ci/mutants.py [--folder tools/qel-tz] [--count 40] [--seed 1]
#                      [--tests REGEX] [--only 3,17] [--list] [--jobs 2] [--ctest-jobs 1]
import argparse
import contextlib
import fcntl
import hashlib
import json
import os
import random
import re
import shlex
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
WORK = os.path.join(ROOT, "build", "mutants")
COPY, BUILD = os.path.join(WORK, "src"), os.path.join(WORK, "build")
# The tool's tests: those whose command runs its unit tests (tests/tools),
# the tool itself or its fleet reader.
TOOL_PROGRAMS = ("/tools_test", "/libraries_test", "/qel-tz", "/fleet_stream_count")


def code_mask(text):
    """True for each character of code: not in a comment, a string or
    character literal, or a preprocessor line."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        end = None
        if line_start and text[i:].lstrip(" \t").startswith("#"):
            end = i
            while end < n and (text[end] != "\n" or text[end - 1] == "\\"):
                end += 1
        elif text.startswith("//", i):
            end = text.find("\n", i)
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2) + 2
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            delim = text[i + 2:text.find("(", i)]
            end = text.find(")" + delim + '"', i) + len(delim) + 2
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):  # 1'000 is a number
            end = i + 1
            while end < n and text[end] != c:
                end += 2 if text[end] == "\\" else 1
            end += 1
        if end is None:
            line_start = c == "\n" or (line_start and c in " \t")
            i += 1
            continue
        end = n if end < i else min(end, n)
        for k in range(i, end):
            mask[k] = False
        line_start = False
        i = end
    return mask


OPERATORS = re.compile(r"<<=|>>=|<=>|->|<<|>>|<=|>=|==|!=|&&|\|\||<|>|!")
SWAP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&"}
NUMBER = re.compile(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])")
WORD = re.compile(r"\b(true|false|return)\b")


def sites_of(path, text):
    """Each place a mutant can go: (path, offset, old text, [new texts])."""
    mask = code_mask(text)
    code = lambda a, b: all(mask[a:b])
    out = []
    for m in OPERATORS.finditer(text):
        op, a, b = m.group(), m.start(), m.end()
        if not code(a, b):
            continue
        # Binary operators stand between spaces (.clang-format), which keeps
        # template brackets, rvalue references and operator names out.
        if op in SWAP and text[a - 1].isspace() and b < len(text) and text[b].isspace():
            out.append((path, a, op, [SWAP[op]]))
        elif op == "!" and not (text[a - 1].isalnum() or text[a - 1] in "_)]"):
            out.append((path, a, op, [""]))
    for m in NUMBER.finditer(text):
        if code(m.start(), m.end()):
            n = int(m.group(1))
            out.append((path, m.start(1), m.group(1), [str(n + 1)] + ([str(n - 1)] if n > 0 else [])))
    for m in WORD.finditer(text):
        if not code(m.start(), m.end()):
            continue
        if m.group() != "return":
            out.append((path, m.start(), m.group(), ["false" if m.group() == "true" else "true"]))
            continue
        # return EXPR; -> a default value: {} in C++, 0 in C. Not where EXPR
        # is that value already: a null pointer is what {} and 0 make of a
        # pointer, so `return nullptr` -> `return {}` changes nothing.
        depth, k = 0, m.end()
        while k < len(text) and not (text[k] == ";" and depth == 0 and mask[k]):
            if mask[k]:
                depth += (text[k] in "([{") - (text[k] in ")]}")
            k += 1
        expr = text[m.end():k].strip()
        if expr and expr not in ("{}", "0", "true", "false", "nullptr", "NULL") and k < len(text):
            out.append((path, m.start(), text[m.start():k], ["return " + ("0" if path.endswith(".c") else "{}")]))
    return out


def run(cmd, limit, **kw):
    """(exit status or None on the time limit, output); the whole process
    group this starts is killed on the limit."""
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                         start_new_session=True, **kw)
    try:
        out, _ = p.communicate(timeout=limit)
        return p.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, _ = p.communicate()
        return None, out
    except BaseException:
        os.killpg(p.pid, signal.SIGKILL)
        raise


def tree_files():
    listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=ROOT,
                            check=True, capture_output=True).stdout.decode().split("\0")
    return sorted(f for f in listed if f and os.path.lexists(os.path.join(ROOT, f)))


def sync_copy(files):
    """Makes the copy hold the tree's files, rewriting only those that
    differ so that the build stays incremental."""
    keep = set(files)
    for top, _, names in os.walk(COPY):
        for name in names:
            rel = os.path.relpath(os.path.join(top, name), COPY)
            if rel not in keep:
                os.remove(os.path.join(top, name))
    for rel in files:
        src, dst = os.path.join(ROOT, rel), os.path.join(COPY, rel)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        if os.path.islink(src):
            if not os.path.islink(dst) or os.readlink(dst) != os.readlink(src):
                if os.path.lexists(dst):
                    os.remove(dst)
                os.symlink(os.readlink(src), dst)
        elif os.path.islink(dst) or not os.path.exists(dst) or read(dst) != read(src):
            if os.path.lexists(dst):
                os.remove(dst)
            # A fresh time stamp, newer than what was built from the old file.
            shutil.copyfile(src, dst)
            shutil.copymode(src, dst)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def planted(given):
    """A fault given as FILE:LINE:OLD=>NEW, at the first OLD on the line."""
    path, line, change = given.split(":", 2)
    old, new = change.split("=>", 1)
    text = read(os.path.join(ROOT, path)).decode()
    start = sum(len(x) for x in text.splitlines(True)[:int(line) - 1])
    at = text.find(old, start, text.find("\n", start))
    if at < 0:
        sys.exit(f"no '{old}' on {path}:{line}")
    return (path, at, old, new)


def tool_tests(env):
    listed = json.loads(subprocess.run(["ctest", "--test-dir", BUILD, "--show-only=json-v1"], env=env, check=True,
                                       capture_output=True, text=True).stdout)
    names = [t["name"] for t in listed["tests"] if any(p in " ".join(t.get("command", [])) for p in TOOL_PROGRAMS)]
    return "^(" + "|".join(re.escape(n) for n in names) + ")$"


class Objects:
    """Compiles the translation units a source file reaches as the build
    does, optimised as it is but without debug information, to tell whether
    a mutant changes the machine code at all."""

    def __init__(self):
        with open(os.path.join(BUILD, "compile_commands.json")) as f:
            self.units = json.load(f)
        self.original = {}
        self.scratch = os.path.join(WORK, "unit.o")
        # Sources a custom command builds (a reader for another C library):
        # their code is out of this comparison's sight.
        self.elsewhere = set()
        rule = re.compile(r"^([^\s:#][^:]*):\s+(/\S+)$")
        for top, _, names in os.walk(BUILD):
            if "build.make" in names:
                with open(os.path.join(top, "build.make"), errors="replace") as f:
                    for line in f:
                        m = rule.match(line.rstrip("\n"))
                        if m and not m.group(1).endswith((".o", ".i", ".s")) and m.group(2).startswith(COPY + "/"):
                            self.elsewhere.add(m.group(2))

    def reaching(self, path):
        """The units whose code `path` is part of: its own, or for a header
        each unit whose dependency file names it; none where a custom command
        builds it as well."""
        source = os.path.join(COPY, path)
        if source in self.elsewhere:
            return []
        out = []
        for unit in self.units:
            args = shlex.split(unit["command"]) if "command" in unit else list(unit["arguments"])
            obj = os.path.join(unit["directory"], args[args.index("-o") + 1])
            if unit["file"] == source:
                out.append((unit["directory"], args))
            elif not path.endswith((".c", ".cpp")):
                with contextlib.suppress(FileNotFoundError), open(obj + ".d", errors="replace") as f:
                    if source in f.read().split():
                        out.append((unit["directory"], args))
        return out

    def code(self, unit):
        """The unit's object without debug information; None where it does not compile."""
        directory, args = unit
        args = args[:]
        args[args.index("-o") + 1] = self.scratch
        status, _ = run(args + ["-g0"], 1800, cwd=directory)
        return read(self.scratch) if status == 0 else None

    def same_code(self, units, before):
        """True where every unit compiles to the code it had unmutated (made
        inside `before`); False at the first that differs, or where no unit
        is known, the build deciding the rest; None where one does not compile."""
        for unit in units:
            key = " ".join(unit[1])
            if key not in self.original:
                with before():
                    self.original[key] = self.code(unit)
            now = self.code(unit)
            if now is None:
                return None
            if now != self.original[key]:
                return False  # the build decides whether the other units compile
        return bool(units)


def failed_test(out):
    m = re.search(r"tests FAILED:\s*\n\s*\d+ - (\S+)", out)
    return m.group(1) if m else "the tests"


def main():
    ap = argparse.ArgumentParser(description="Plants faults one at a time and sees whether the tests notice.")
    ap.add_argument("--folder", default="tools/qel-tz")
    ap.add_argument("--count", type=int, default=40)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--tests", default="", help="ctest -R pattern of the tests to run (default: the tool's)")
    ap.add_argument("--only", default="", help="run only these mutants of the seed's list, e.g. 3,17")
    ap.add_argument("--mutant", action="append", default=[], metavar="FILE:LINE:OLD=>NEW",
                    help="plant this fault instead of the seed's (the first OLD on the line); repeatable")
    ap.add_argument("--list", action="store_true", help="list the seed's mutants and stop")
    ap.add_argument("--jobs", type=int, default=2, help="build jobs")
    ap.add_argument("--ctest-jobs", type=int, default=1)
    args = ap.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    files = tree_files()
    sources = [f for f in files if f.startswith(args.folder.rstrip("/") + "/") and
               f.endswith((".c", ".cpp", ".h", ".hpp")) and not os.path.islink(os.path.join(ROOT, f))]
    sites = [s for f in sources for s in sites_of(f, read(os.path.join(ROOT, f)).decode())]
    rng = random.Random(args.seed)
    mutants = []
    for index in rng.sample(range(len(sites)), min(args.count, len(sites))):
        path, at, old, news = sites[index]
        mutants.append((path, at, old, rng.choice(news)))
    if args.mutant:
        mutants = [planted(m) for m in args.mutant]
    only = {int(x) for x in args.only.split(",") if x}
    places = {}
    for m in mutants:
        text = read(os.path.join(ROOT, m[0])).decode()
        places[m] = f"{text.count(chr(10), 0, m[1]) + 1}:{m[1] - text.rfind(chr(10), 0, m[1])}"

    def describe(i, m):
        return f"#{i:<3} {m[0]}:{places[m]}: '{' '.join(m[2].split())[:60]}' -> '{m[3]}'"

    chosen_by = f"{len(mutants)} planted" if args.mutant else f"seed {args.seed}, {len(mutants)} mutants"
    print(f"{len(sites)} sites in {len(sources)} files of {args.folder}; {chosen_by}", flush=True)
    if args.list:
        for i, m in enumerate(mutants, 1):
            print(describe(i, m))
        return 0

    os.makedirs(COPY, exist_ok=True)
    lock = open(os.path.join(WORK, "lock"), "w")  # one run at a time in build/mutants
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit("another mutation run is using " + WORK)
    sync_copy(files)
    snapshot = {rel: hashlib.sha256(read(os.path.join(COPY, rel))).hexdigest() for rel in sources}
    env = dict(os.environ)
    if os.path.isdir(os.path.join(ROOT, "build", "uclibc-ng")):
        env.setdefault("QEL_UCLIBC_DIR", os.path.realpath(os.path.join(ROOT, "build", "uclibc-ng")))
    build = ["cmake", "--build", BUILD, "-j", str(args.jobs)]
    if not os.path.exists(os.path.join(BUILD, "CMakeCache.txt")):
        status, out = run(["cmake", "--preset", "dev", "-S", COPY, "-B", BUILD], 600, env=env, cwd=COPY)
        if status != 0:
            print("configure failed:\n" + out[-3000:])
            return 2
    status, out = run(build, 7200, env=env)
    if status != 0:
        print("the unmutated tree does not build:\n" + out[-3000:])
        return 2
    # The tests that pass on the unmutated tree are the ones each mutant faces.
    pattern = args.tests or tool_tests(env)
    started = time.time()
    status, out = run(["ctest", "--test-dir", BUILD, "-R", pattern, "-j", str(args.ctest_jobs)], 7200, env=env)
    baseline = time.time() - started
    passed = re.findall(r"Test +#\d+: (\S+) \.+ +Passed", out)
    if not passed:
        print("no test passes on the unmutated tree:\n" + out[-3000:])
        return 2
    not_passing = re.findall(r"Test +#\d+: (\S+) \.+.*(?:Failed|Timeout|Not Run|Exception)", out)
    print(f"{len(passed)} tests pass unmutated in {baseline:.0f} s" +
          (f"; left out, failing unmutated: {' '.join(not_passing)}" if not_passing else ""), flush=True)
    chosen = "^(" + "|".join(re.escape(t) for t in passed) + ")$"
    limit = 3 * baseline + 120
    # The tests' own build runs the tool (place tables are made with it): a
    # mutant that makes it hang is held to a limit from a rebuild's own time.
    started = time.time()
    os.utime(os.path.join(COPY, sources[0]))
    status, out = run(build, 7200, env=env)
    build_limit = 3 * (time.time() - started) + 120
    objects = Objects()

    counts = {"not-built": 0, "same-code": 0, "caught": 0, "survived": 0}
    survivors = []
    try:
        for i, m in enumerate(mutants, 1):
            if only and i not in only:
                continue
            path, at, old, new = m
            target = os.path.join(COPY, path)
            original = read(target)
            text = original.decode()
            assert text[at:at + len(old)] == old, "the copy differs from the tree"
            @contextlib.contextmanager
            def unmutated():
                write(target, original)
                yield
                write(target, (text[:at] + new + text[at + len(old):]).encode())

            try:
                write(target, (text[:at] + new + text[at + len(old):]).encode())
                same = objects.same_code(objects.reaching(path), unmutated)
                status, out = (None, "") if same is not False else run(build, build_limit, env=env)
                if same is None:
                    result = "not-built"
                elif same:
                    result = "same-code"
                elif status is not None and status != 0 and ": error:" in out:
                    result = "not-built"
                elif status != 0:
                    result, why = "caught", "the build of the tests" + (", its time limit" if status is None else "")
                else:
                    # Without the last run's costs CTest keeps the order the tests are
                    # declared in, the quick unit tests first: a mutant caught stops early.
                    for name in ("CTestCostData.txt", "LastTestsFailed.log"):
                        with contextlib.suppress(FileNotFoundError):
                            os.remove(os.path.join(BUILD, "Testing", "Temporary", name))
                    status, out = run(["ctest", "--test-dir", BUILD, "-R", chosen, "-j", str(args.ctest_jobs),
                                       "--stop-on-failure", "--timeout", str(int(limit))], limit + 60, env=env)
                    result = "survived" if status == 0 else "caught"
                    why = "the time limit" if status is None or "Timeout" in out else failed_test(out)
            finally:
                write(target, original)
            counts[result] += 1
            line = f"{result:<9} {describe(i, m)}" + (f"  [{why}]" if result == "caught" else "")
            if result == "survived":
                survivors.append(line)
            print(line, flush=True)
    finally:
        # Every mutated file is back as it was; the next run's sync would
        # mend it anyway, and the tree itself is never written.
        changed = [rel for rel in sources if hashlib.sha256(read(os.path.join(COPY, rel))).hexdigest() != snapshot[rel]]
        if changed:
            print("NOT RESTORED in the copy: " + " ".join(changed))
    built = counts["caught"] + counts["survived"]
    share = f"{100 * counts['caught'] / built:.0f}%" if built else "-"
    print(f"\n{chosen_by}: caught {counts['caught']} of {built} that build and change the code ({share}); "
          f"{counts['not-built']} not built; {counts['same-code']} same code; {counts['survived']} survived")
    for line in survivors:
        print("  " + line)
    return 1 if changed else 0


if __name__ == "__main__":
    sys.exit(main())
