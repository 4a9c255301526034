#!/usr/bin/env python3
"""Times unsfx against unzip, 7z, bsdtar and Python's zipfile on the same archives, in one run.

    run_bench.py --unsfx PATH --work DIR [--kernels PATH] [--unsfx-serial PATH] [--wine-unsfx PATH]
                 [--wine-unsfx-serial PATH] [--prepare-only]

Corpora: mixed (BENCH_MB, default 500, in BENCH_FILES files, default 20 per MB), big (24 files of
8 MB), small (10,000 files of 4 KB) and the listing archive (BENCH_LIST_ENTRIES, default 100000).
BENCH_RUNS (default 3), BENCH_PY_ENCRYPTED=1 to time Python's pure-Python decryption too,
BENCH_ONLY=read-ahead for the read-ahead's rows alone, BENCH_HUGE_GIB (default 3; 0 leaves it
out) for the archive of one big entry and many small ones.
--kernels runs the kernel benchmark program; --wine-unsfx times that Windows build of unsfx under
Wine on the big archives; --unsfx-serial (and --wine-unsfx-serial) weigh the read-ahead of
encrypted data against the build without its second thread, on free cores, on one core and beside
busy ones. Prints Markdown tables; wall, user and sys are medians.
"""
import argparse
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

import corpus

PASSWORD = "bench-password"
PY_EXTRACT = "import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); " \
             "z.extractall(sys.argv[2], pwd=sys.argv[3].encode() if len(sys.argv) > 3 else None)"
PY_TEST = "import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); sys.exit(z.testzip() is not None)"
PY_LIST = "import sys, zipfile; sys.stdout.write('\\n'.join(zipfile.ZipFile(sys.argv[1]).namelist()))"


def env_int(name, default):
    return int(os.environ.get(name, default))


def run_timed(command, stdout=subprocess.DEVNULL):
    """Wall, user and sys seconds of one run of command (and the children it waits for)."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    err = child.stderr.read()
    child.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        raise RuntimeError("%s exited with %d: %s" % (command[0], code, err[-500:]))
    return wall, usage.ru_utime, usage.ru_stime


def prepare(work, label, make_tree, archives):
    """Makes the tree and its archives once; a stamp with the parameters marks them done."""
    stamp = os.path.join(work, label + ".stamp")
    want = repr(archives)
    if os.path.exists(stamp) and open(stamp).read() == want:
        return
    tree = os.path.join(work, label)
    shutil.rmtree(tree, ignore_errors=True)
    print("making %s ..." % label, file=sys.stderr)
    make_tree(tree)
    for archive, options in archives:
        if os.path.exists(archive):
            os.remove(archive)
        print("zipping %s ..." % os.path.basename(archive), file=sys.stderr)
        subprocess.run(["zip", "-q", "-r", *options, archive, "."], cwd=tree, check=True)
    open(stamp, "w").write(want)


def tree_size(root):
    files = total = 0
    for here, _, names in os.walk(root):
        for n in names:
            files += 1
            total += os.path.getsize(os.path.join(here, n))
    return files, total


def extractors(unsfx, archive, out, password):
    pw = [password] if password else []
    yield "unsfx", [unsfx, "extract", archive, "-d", out, "-q", "--overwrite"] + (["-P", password] if password else [])
    yield "unzip", ["unzip", "-q", "-o"] + (["-P", password] if password else []) + [archive, "-d", out]
    yield "7z", ["7z", "x", "-y", "-bso0", "-bsp0", "-o" + out] + (["-p" + password] if password else []) + [archive]
    yield "bsdtar", ["bsdtar", "-x", "-f", archive, "-C", out] + (["--passphrase", password] if password else [])
    if not password or os.environ.get("BENCH_PY_ENCRYPTED") == "1":
        yield "python zipfile", [sys.executable, "-c", PY_EXTRACT, archive, out] + pw


def testers(unsfx, archive, password):
    """Commands that decode every entry and check it, writing nothing."""
    yield "unsfx", [unsfx, "test", archive, "-q"] + (["-P", password] if password else [])
    yield "unzip", ["unzip", "-tq"] + (["-P", password] if password else []) + [archive]
    yield "7z", ["7z", "t", "-bso0", "-bsp0"] + (["-p" + password] if password else []) + [archive]
    yield "bsdtar", ["bsdtar", "-x", "-O", "-f", archive] + (["--passphrase", password] if password else [])
    if not password or os.environ.get("BENCH_PY_ENCRYPTED") == "1":
        yield "python zipfile", [sys.executable, "-c", PY_TEST, archive]


def listers(unsfx, archive):
    yield "unsfx", [unsfx, "list", archive]
    yield "unzip", ["unzip", "-l", archive]
    yield "7z", ["7z", "l", archive]
    yield "bsdtar", ["bsdtar", "-t", "-f", archive]
    yield "python zipfile", [sys.executable, "-c", PY_LIST, archive]


def warm(path):
    with open(path, "rb") as f:
        while f.read(1 << 22):
            pass


def median_of(samples):
    return tuple(statistics.median(s[i] for s in samples) for i in range(3))


def interleaved_runs(commands, runs, before=None, check=None):
    """Runs every command once per round, round after round, so that a slow phase of the
    machine does not fall on one program only; returns the medians per command."""
    samples = {name: [] for name, _ in commands}
    for _ in range(runs):
        for name, command in commands:
            if before:
                before()
            samples[name].append(run_timed(command))
            if check:
                check(name)
    return [(name, median_of(samples[name])) for name, _ in commands]


def time_extractions(unsfx, archive, password, expected, work, runs):
    out = os.path.join(work, "out")

    def fresh():
        # The last run's files go, and their writes reach the disk before the clock starts:
        # no program pays for another's write-back.
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        os.sync()

    def check(name):
        if tree_size(out) != expected:
            raise RuntimeError("%s: extracted %s, expected %s" % (name, tree_size(out), expected))

    warm(archive)
    print("timing extraction of %s ..." % os.path.basename(archive), file=sys.stderr)
    rows = interleaved_runs(list(extractors(unsfx, archive, out, password)), runs, fresh, check)
    shutil.rmtree(out, ignore_errors=True)
    return rows


def time_tests(commands, archive, runs):
    warm(archive)
    print("timing tests of %s ..." % os.path.basename(archive), file=sys.stderr)
    return interleaved_runs(commands, runs)


def time_listings(unsfx, archive, entries, runs):
    warm(archive)
    commands = list(listers(unsfx, archive))
    for name, command in commands:
        listing = subprocess.run(command, capture_output=True, check=True).stdout
        if listing.count(b"\n") < entries - 1:
            raise RuntimeError("%s listed only %d lines" % (name, listing.count(b"\n")))
    print("timing listings ...", file=sys.stderr)
    return interleaved_runs(commands, runs)


def table(title, rows):
    base = rows[0][1][0]
    lines = ["### " + title, "",
             "| program | wall s | user s | sys s | wall / unsfx |",
             "|---|---:|---:|---:|---:|"]
    for name, (wall, user, system) in rows:
        lines.append("| %s | %.2f | %.2f | %.2f | %.2f |" % (name, wall, user, system, wall / base))
    return "\n".join(lines) + "\n"


def command_output(command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return ""


def machine(work):
    model = next((l.split(":", 1)[1].strip() for l in command_output(["lscpu"]).splitlines()
                  if l.startswith("Model name")), platform.processor())
    memory = next((l.split()[1] for l in open("/proc/meminfo") if l.startswith("MemTotal")), "?")
    disk = command_output(["df", "-h", "--output=source,fstype,size", work]).splitlines()[-1]
    versions = {
        "unzip": command_output(["unzip", "-v"]).splitlines()[0:1],
        "7z": [l for l in command_output(["7z"]).splitlines() if l.startswith("7-Zip")][0:1],
        "bsdtar": command_output(["bsdtar", "--version"]).splitlines()[0:1],
        "python": [sys.version.split()[0]],
    }
    lines = ["- date: %s" % datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
             "- CPU: %s, %d cores" % (model, os.cpu_count()),
             "- memory: %.1f GiB" % (int(memory) / 1048576),
             "- disk (work folder): %s" % " ".join(disk.split()),
             "- kernel: %s" % platform.release()]
    lines += ["- %s: %s" % (k, v[0] if v else "?") for k, v in versions.items()]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--unsfx", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--kernels", help="the kernel benchmark program")
    parser.add_argument("--wine-unsfx", help="a Windows build of unsfx, timed under Wine")
    parser.add_argument("--unsfx-serial", help="unsfx built without the second thread, for the read-ahead rows")
    parser.add_argument("--wine-unsfx-serial", help="the same of the Windows build")
    parser.add_argument("--prepare-only", action="store_true", help="make the corpus and archives, time nothing")
    args = parser.parse_args()
    mb = env_int("BENCH_MB", 500)
    files = env_int("BENCH_FILES", 20 * mb)
    entries = env_int("BENCH_LIST_ENTRIES", 100000)
    runs = env_int("BENCH_RUNS", 3)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)

    plain = os.path.join(work, "mixed-%dmb.zip" % mb)
    encrypted = os.path.join(work, "mixed-%dmb-encrypted.zip" % mb)
    prepare(work, "mixed-%dmb" % mb,
            lambda tree: corpus.make_mixed_tree(tree, mb << 20, files),
            [(plain, ["-6"]), (encrypted, ["-6", "-P", PASSWORD])])
    big = os.path.join(work, "big.zip")
    big_encrypted = os.path.join(work, "big-encrypted.zip")
    prepare(work, "big", corpus.make_big_tree, [(big, ["-6"]), (big_encrypted, ["-6", "-P", PASSWORD])])
    small = os.path.join(work, "small.zip")
    prepare(work, "small", corpus.make_small_tree, [(small, ["-6"])])
    huge_gib = env_int("BENCH_HUGE_GIB", 3)
    huge = os.path.join(work, "huge-%dgib.zip" % huge_gib)
    if huge_gib > 0:
        prepare(work, "huge-%dgib" % huge_gib, lambda tree: corpus.make_huge_tree(tree, huge_gib << 30),
                [(huge, ["-1"])])
    tiny = os.path.join(work, "tiny-%d.zip" % entries)
    prepare(work, "tiny-%d" % entries, lambda tree: corpus.make_tiny_tree(tree, entries),
            [(tiny, ["-6"])])
    if args.prepare_only:
        return
    if os.environ.get("BENCH_ONLY") == "read-ahead":  # just the read-ahead's rows
        report = ["## Read-ahead, median of %d runs" % runs, "", machine(work)]
        report.append(read_ahead_table([("unsfx", [args.unsfx]), ("serial build", [args.unsfx_serial])],
                                       big_encrypted, runs))
        if args.wine_unsfx and args.wine_unsfx_serial:
            report.append(read_ahead_table([("unsfx.exe", [WINE_RUN, args.wine_unsfx]),
                                            ("serial build", [WINE_RUN, args.wine_unsfx_serial])],
                                           big_encrypted, runs, " under 64-bit Wine"))
        print("\n".join(report))
        return

    report = ["## Benchmark, median of %d runs" % runs, "", machine(work)]
    if args.kernels:
        kernels = subprocess.run([args.kernels], capture_output=True, text=True, check=True).stdout
        report.append("### Kernels (32 KB buffers, in cache)\n\n" + kernels)

    big_expected = tree_size(os.path.join(work, "big"))
    big_title = "%d files, %.0f MB (archive %.0f MB)" % (big_expected[0], big_expected[1] / 1e6,
                                                         os.path.getsize(big) / 1e6)
    report.append(table("Extract big files, zip -6: " + big_title,
                        time_extractions(args.unsfx, big, None, big_expected, work, runs)))
    report.append(table("Test big files, zip -6: " + big_title,
                        time_tests(list(testers(args.unsfx, big, None)), big, runs)))
    report.append(table("Test big files, zip -6 -P (traditional encryption)",
                        time_tests(list(testers(args.unsfx, big_encrypted, PASSWORD)), big_encrypted, runs)))
    if args.unsfx_serial:
        report.append(read_ahead_table(
            [("unsfx", [args.unsfx]), ("serial build", [args.unsfx_serial])], big_encrypted, runs))
    if args.wine_unsfx:
        report.append(wine_table(args.wine_unsfx, args.unsfx, big, big_encrypted, runs))
    if args.wine_unsfx and args.wine_unsfx_serial:
        report.append(read_ahead_table([("unsfx.exe", [WINE_RUN, args.wine_unsfx]),
                                        ("serial build", [WINE_RUN, args.wine_unsfx_serial])],
                                       big_encrypted, runs, " under 64-bit Wine"))

    expected = tree_size(os.path.join(work, "mixed-%dmb" % mb))
    mixed_title = "%d files, %.0f MB (archive %.0f MB)" % (expected[0], expected[1] / 1e6,
                                                           os.path.getsize(plain) / 1e6)
    report.append(table("Extract mixed, zip -6: " + mixed_title,
                        time_extractions(args.unsfx, plain, None, expected, work, runs)))
    report.append(table("Extract mixed, zip -6 -P (traditional encryption)",
                        time_extractions(args.unsfx, encrypted, PASSWORD, expected, work, runs)))
    small_expected = tree_size(os.path.join(work, "small"))
    report.append(table("Extract %d small files of 4 KB, zip -6" % small_expected[0],
                        time_extractions(args.unsfx, small, None, small_expected, work, runs)))
    report.append(table("List %d tiny entries" % entries, time_listings(args.unsfx, tiny, entries, runs)))
    if huge_gib > 0:
        huge_expected = tree_size(os.path.join(work, "huge-%dgib" % huge_gib))
        huge_title = "%d GiB archive: one big entry and %d small ones" % (huge_gib, huge_expected[0] - 1)
        report.append(table("List the " + huge_title, time_listings(args.unsfx, huge, huge_expected[0], runs)))
        report.append(table("Extract the " + huge_title,
                            time_extractions(args.unsfx, huge, None, huge_expected, work, runs)))
    text = "\n".join(report)
    open(os.path.join(work, "results.md"), "w").write(text)
    print(text)


WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts", "wine-run.sh")
BUSY_LOOP = "while True: pass"


class BusyCores:
    """Other work that keeps every core busy for as long as it lives, as a virus scanner, a
    browser or a build beside the extraction do."""

    def __enter__(self):
        self.loops = [subprocess.Popen([sys.executable, "-c", BUSY_LOOP]) for _ in range(os.cpu_count() or 2)]
        time.sleep(0.5)
        return self

    def __exit__(self, *exc):
        for loop in self.loops:
            loop.kill()
            loop.wait()


def read_ahead_table(programs, big_encrypted, runs, where=""):
    """The read-ahead of encrypted data on its second thread against the same program built
    without it, testing the encrypted big files: on the machine's free cores, pinned to one core,
    and beside other work that keeps every core busy. Rounds interleave the two builds."""
    warm(big_encrypted)
    lines = ["### Read-ahead against the serial build%s: test big files, zip -6 -P" % where, "",
             "| program | free cores wall s | one core wall s | busy cores wall s | user s (free) |",
             "|---|---:|---:|---:|---:|"]
    results = {name: {} for name, _ in programs}
    for setting in ("free", "one core", "busy"):
        pin = ["taskset", "-c", "0"] if setting == "one core" else []
        commands = [(name, pin + prefix + ["test", big_encrypted, "-q", "-P", PASSWORD]) for name, prefix in programs]
        print("timing the read-ahead, %s ..." % setting, file=sys.stderr)
        if setting == "busy":
            with BusyCores():
                rows = interleaved_runs(commands, runs)
        else:
            rows = interleaved_runs(commands, runs)
        for name, medians in rows:
            results[name][setting] = medians
    for name, _ in programs:
        r = results[name]
        lines.append("| %s | %.2f | %.2f | %.2f | %.2f |" % (name, r["free"][0], r["one core"][0], r["busy"][0],
                                                             r["free"][1]))
    first, second = programs[0][0], programs[1][0]
    lines.append("| %s / %s | %.2f | %.2f | %.2f | |" % tuple(
        [first, second] + [results[first][k][0] / results[second][k][0] for k in ("free", "one core", "busy")]))
    return "\n".join(lines) + "\n"


def wine_table(wine_unsfx, unsfx, big, big_encrypted, runs):
    """The stub's engine in its Windows build under Wine, beside the console tool's native run.
    Wine's start-up is in every Windows figure; the empty run (unsfx.exe --help) shows its size."""
    wine = WINE_RUN
    subprocess.run([wine, wine_unsfx, "--help"], capture_output=True)  # the prefix exists, warm
    commands = [("unsfx.exe --help (Wine start-up)", [wine, wine_unsfx, "--help"]),
                ("unsfx.exe test, zip -6", [wine, wine_unsfx, "test", big, "-q"]),
                ("unsfx test, zip -6 (native)", [unsfx, "test", big, "-q"]),
                ("unsfx.exe test, zip -6 -P", [wine, wine_unsfx, "test", big_encrypted, "-q", "-P", PASSWORD]),
                ("unsfx test, zip -6 -P (native)", [unsfx, "test", big_encrypted, "-q", "-P", PASSWORD])]
    print("timing the Windows build under Wine ...", file=sys.stderr)
    return table("Big files under 64-bit Wine (the stub's engine)", interleaved_runs(commands, runs))

if __name__ == "__main__":
    main()
