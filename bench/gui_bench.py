#!/usr/bin/env python3
"""The stub's extraction run in its real window against `unsfx.exe extract`, both 64-bit, under
the same Wine and prefix on a virtual display, on archives of small files in 100 folders.

The stub is driven by the end-to-end driver: its time runs from the click on Extract to the
moment the driver sees "Extraction was successful" (the listing before it is timed apart).
unsfx.exe's time is its whole process. Rounds interleave the two programs and the sizes; each
output folder is deleted and synced before a run, and every run is checked (the closing message,
the file count) before its time counts. Prints Markdown: medians, the ratio stub / unsfx.exe at
every size and the growth of each program's time from the smallest size to the others.

Run it through scripts/bench-gui.sh, which builds the programs first.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

MAIN = "Self-Extracting Archive, Quorvane Archive Manager"
PATH_FIELD, EXTRACT, EXIT = 101, 1, 2
FOLDERS = 100
FILE_SIZE = 4096
WAIT_MS = 3_600_000  # the driver's wait for a listing or a run: long enough for any size


def wine_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def make_archive(work, count, per_folder):
    """count files of about 4 KB of word soup in 100 folders (or in folders of per_folder
    files each), zipped by Info-ZIP `zip -r`: the archive holds them in directory-read order,
    which is not the list's sorted order."""
    folders = -(-count // per_folder) if per_folder else FOLDERS
    archive = work / (f"files-{count}-by-{per_folder}.zip" if per_folder else f"files-{count}.zip")
    if archive.exists():
        return archive
    src = work / f"src-{count}"
    shutil.rmtree(src, ignore_errors=True)
    rnd = random.Random(count)
    words = b"archive entry header window stored deflate path list select folder".split()
    for i in range(count):
        folder = src / f"folder-{i % folders:03d}"
        folder.mkdir(parents=True, exist_ok=True)
        size = FILE_SIZE + rnd.randrange(-512, 512)
        data = b" ".join(rnd.choices(words, k=size // 6))[:size]
        (folder / f"file-{rnd.getrandbits(32):08x}-{i}.txt").write_bytes(data)
    subprocess.run(["zip", "-q", "-r", "-X", str(archive.with_suffix(".tmp.zip")), "."], cwd=src, check=True)
    archive.with_suffix(".tmp.zip").rename(archive)
    shutil.rmtree(src)
    return archive


def files_below(folder):
    return sum(len(files) for _, _, files in os.walk(folder))


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    subprocess.run(["sync"], check=True)


class Driver:
    def __init__(self, wine_run, driver, log):
        self.proc = subprocess.Popen([wine_run, driver], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=log, text=True, encoding="utf-8", bufsize=1)

    def __call__(self, *args):
        self.proc.stdin.write("\t".join(map(str, args)) + "\n")
        self.proc.stdin.flush()
        data = []
        while True:
            line = self.proc.stdout.readline().rstrip("\r\n")
            if not line.startswith("= "):
                break
            data.append(line[2:])
        if line != "OK":
            raise RuntimeError(f"driver {args}: {line}")
        return data

    def close(self):
        self.proc.stdin.write("quit\n")
        self.proc.stdin.close()
        self.proc.wait(timeout=60)


def time_unsfx(a, exe, out, count):
    fresh(out)
    start = time.monotonic()
    subprocess.run([a.wine_run, a.unsfx, "extract", str(exe), "-d", wine_path(out), "-q", "--overwrite"],
                   check=True, stdout=subprocess.DEVNULL)
    seconds = time.monotonic() - start
    if files_below(out) != count:
        raise RuntimeError(f"unsfx.exe wrote {files_below(out)} files, not {count}")
    return seconds


def cpu_seconds(pid):
    """User and system time of a process so far (Linux /proc)."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def time_stub(a, driver, exe, out, count):
    """(listing seconds, run seconds) of one start of the program."""
    fresh(out)
    start = time.monotonic()
    program = subprocess.Popen([a.wine_run, str(exe)], cwd=exe.parent,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    driver("target", exe.name, MAIN)
    driver("wait", MAIN, WAIT_MS)
    listed = time.monotonic() - start
    # A program still busy with a long list answers nothing within the driver's reply time.
    for attempt in range(100):
        try:
            driver("set-text", PATH_FIELD, wine_path(out))
            break
        except RuntimeError:
            if attempt == 99:
                raise
    start, cpu = time.monotonic(), cpu_seconds(program.pid)
    driver("click", EXTRACT)
    message = driver("message-box", WAIT_MS)
    seconds = time.monotonic() - start
    cpu = cpu_seconds(program.pid) - cpu
    print(f"  {exe.name}: {seconds:.2f} s, its own cpu {cpu:.2f} s", file=sys.stderr, flush=True)
    driver("click", EXIT)
    program.wait(timeout=120)
    if message != ["Extraction Successful", "Extraction was successful"]:
        raise RuntimeError(f"the stub answered {message}")
    if files_below(out) != count:
        raise RuntimeError(f"the stub wrote {files_below(out)} files, not {count}")
    return listed, seconds


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--stub", action="append", required=True,
                   help="the stub, or LABEL=PATH; given more than once, every stub runs in every round")
    p.add_argument("--unsfx", required=True)
    p.add_argument("--driver", required=True)
    p.add_argument("--wine-run", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--counts", default=os.environ.get("BENCH_GUI_COUNTS", "10000,30000"))
    p.add_argument("--per-folder", type=int, default=int(os.environ.get("BENCH_GUI_PER_FOLDER", "0")),
                   help="files per folder (0: 100 folders, however many files)")
    p.add_argument("--rounds", type=int, default=int(os.environ.get("BENCH_GUI_ROUNDS", "3")))
    a = p.parse_args()
    work = Path(a.work).resolve()
    work.mkdir(parents=True, exist_ok=True)
    counts = [int(c) for c in a.counts.split(",")]
    stubs = dict(s.split("=", 1) if "=" in s else ("stub", s) for s in a.stub)
    exes = {}
    for count in counts:
        archive = make_archive(work, count, a.per_folder).read_bytes()
        for label, path in stubs.items():
            exe = work / f"{label}-{count}.exe"
            exe.write_bytes(Path(path).read_bytes() + archive)
            exes[count, label] = exe
    out = work / "out"
    log = open(work / "driver-wine.log", "w")
    driver = Driver(a.wine_run, a.driver, log)
    driver("windows")
    runners = ["unsfx.exe", *stubs]
    times = {(c, k): [] for c in counts for k in runners}
    listings = {(c, k): [] for c in counts for k in stubs}
    for r in range(a.rounds):
        for count in counts:
            order = runners if r % 2 == 0 else runners[::-1]
            for who in order:
                if who == "unsfx.exe":
                    times[count, who].append(time_unsfx(a, exes[count, next(iter(stubs))], out, count))
                else:
                    listed, seconds = time_stub(a, driver, exes[count, who], out, count)
                    listings[count, who].append(listed)
                    times[count, who].append(seconds)
            report = ", ".join(f"{who} {times[count, who][-1]:.2f} s" for who in runners)
            print(f"round {r + 1}, {count} entries: {report}", file=sys.stderr, flush=True)
    driver.close()
    fresh(out)
    print_table(a.rounds, counts, stubs, times, listings)


def print_table(rounds, counts, stubs, times, listings):
    med = {key: statistics.median(v) for key, v in times.items()}
    print(f"### Extraction run in the window, 64-bit under Wine, median of {rounds} interleaved rounds\n")
    print("| entries | program | run s | unsfx.exe s | program / unsfx.exe | start + listing s | all runs s |")
    print("|---:|---|---:|---:|---:|---:|---|")
    for count in counts:
        for who in stubs:
            every = ", ".join(f"{t:.1f}" for t in times[count, who])
            print(f"| {count} | {who} | {med[count, who]:.2f} | {med[count, 'unsfx.exe']:.2f} | "
                  f"{med[count, who] / med[count, 'unsfx.exe']:.2f} | "
                  f"{statistics.median(listings[count, who]):.2f} | {every} |")
    base = counts[0]
    for count in counts[1:]:
        growth = ", ".join(f"{who} {med[count, who] / med[base, who]:.2f}" for who in ["unsfx.exe", *stubs])
        print(f"\nGrowth from {base} to {count} entries (x{count / base:g} entries): {growth}")

if __name__ == "__main__":
    main()
