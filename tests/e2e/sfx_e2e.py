#!/usr/bin/env python3
"""End-to-end tests: the real stub with a ZIP appended, run under Wine in an X display.

Archives are made by independent tools (Info-ZIP zip, zip -P, zip -r, Python's zipfile), appended
to the stub by plain concatenation, and the resulting program is started under Wine. The tests
drive its windows from outside with tests/e2e/driver (captions and control IDs only) and check
the files on disk, the texts shown and the exit code.

Settings come from the environment (CTest sets them): KVX_SFX_STUB, KVX_SFX_DRIVER, KVX_WINE_RUN, KVX_MKSFX,
KVX_UNSFX, KVX_E2E_WORK and WINEPREFIX. Needs an X display: run it under xvfb-run.
"""

import io
import os
import random
import re
import shlex
import shutil
import struct
import subprocess
import sys
import time
import unittest
import warnings
import zipfile
from contextlib import contextmanager
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "mksfx"))
import pe_checks  # noqa: E402  (found through the line above)
sys.path.insert(0, str(ROOT / "tests" / "support"))
import sparse_archive  # noqa: E402
STUB = Path(os.environ.get("KVX_SFX_STUB", ROOT / "build/windows/sfx.exe"))
DRIVER = Path(os.environ.get("KVX_SFX_DRIVER", ROOT / "build/windows/tests/e2e/sfx_driver.exe"))
WINE_RUN = Path(os.environ.get("KVX_WINE_RUN", ROOT / "scripts/wine-run.sh"))
MKSFX = Path(os.environ.get("KVX_MKSFX", ROOT / "build/windows/mksfx.exe"))
UNSFX = Path(os.environ.get("KVX_UNSFX", ROOT / "build/windows/unsfx.exe"))
WORK = Path(os.environ.get("KVX_E2E_WORK", ROOT / "build/windows/tests/e2e/work"))
os.environ.setdefault("WINEPREFIX", str(WORK.parent / "wineprefix"))  # as CTest sets it

MAIN = "Self-Extracting Archive, Quorvane Archive Manager"
PASSWORD_PROMPT = "Enter Password..."
OVERWRITE_QUESTION = "Confirm overwrite of..."

# Control IDs of the main dialog (resources/dialog_ids.h).
PATH_FIELD = 101
SELECT_ALL = 121
FILE_LIST = 301
STORED_PATHS = 401
POLICY_OVERWRITE = 501
POLICY_SKIP = 502
POLICY_CONFIRM = 503
STATUS_LINE = 601
EXTRACT = 1
EXIT = 2

# Under an emulator (KVX_E2E_SLOW > 1) Wine starts programs far more slowly; the waits for a
# start, a closing message and an exit grow by that factor.
SLOW = float(os.environ.get("KVX_E2E_SLOW", "1"))
STARTUP_MS = int(20000 * SLOW)    # the first start in a fresh prefix is slow
QUIET_MS = 1500                   # how long "nothing else happens" is watched for
EXIT_SECONDS = 15 * SLOW

PASSWORD = "secret"
WRONG_PASSWORDS = ("wrong-1", "wrong-2", "wrong-3")

FAILURE = "The hi-lighted file(s) failed CRC validation"
ERROR_ACCESS_DENIED = 5
ERROR_FILE_EXISTS = 80
ERROR_DISK_FULL = 112
MAX_PATH = 260
LONGEST_PATH = 32767  # units of a path in its \\?\ form, the terminator included


def wine_path(path):
    """The path as a program under Wine sees it: the host's root is drive Z:."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def is_64_bit(exe):
    """True for an x86-64 Windows program, by the machine type in its PE header."""
    head = Path(exe).read_bytes()[:4096]
    at = struct.unpack_from("<I", head, 0x3C)[0]
    return struct.unpack_from("<H", head, at + 4)[0] == 0x8664


def text_bytes(seed, size):
    """Compressible text, different for every seed (so Info-ZIP deflates it)."""
    words = ["archive", "entry", "header", "window", "stored", "deflate", "path", "list"]
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += (rng.choice(words) + (" " if rng.random() < 0.9 else "\n")).encode()
    return bytes(out[:size])


def noise_bytes(seed, size):
    """Incompressible bytes (so Info-ZIP stores them)."""
    return random.Random(seed).randbytes(size)


class Driver:
    """One driver process under Wine for the whole suite; commands go in on a pipe."""

    def __init__(self, log):
        self.log = log
        self.proc = subprocess.Popen(
            [str(WINE_RUN), str(DRIVER)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=log, text=True, encoding="utf-8", bufsize=1)
        self.transcript = []

    def __call__(self, *args):
        line = "\t".join(str(a) for a in args)
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        data = []
        while True:
            reply = self.proc.stdout.readline()
            if not reply:
                raise RuntimeError(f"the driver ended unexpectedly; Wine's output: {self.log.name}")
            reply = reply.rstrip("\r\n")
            if not reply.startswith("= "):
                break
            data.append(reply[2:])
        self.transcript.append("> " + line.replace("\t", " | "))
        self.transcript += ["    = " + d for d in data]
        self.transcript.append("    " + reply)
        return reply == "OK", data, reply

    def close(self):
        self.proc.stdin.write("quit\n")
        self.proc.stdin.close()
        self.proc.wait(timeout=30)
        self.log.close()


driver = None


def setUpModule():
    global driver
    if not os.environ.get("DISPLAY"):
        raise unittest.SkipTest("no X display: run under xvfb-run")
    for needed in (STUB, DRIVER, WINE_RUN, MKSFX, UNSFX):
        if not needed.exists():
            raise RuntimeError(f"missing {needed}")
    WORK.mkdir(parents=True, exist_ok=True)
    log = open(WORK / "driver-wine.log", "w")
    # Wine's server from an earlier run may still be going down when this one starts, and a
    # driver started against it dies at once: wait for it and start once more.
    for _ in range(3):
        driver = Driver(log)
        try:
            driver("windows")
            return
        except RuntimeError:
            driver.proc.wait()
            subprocess.run([str(WINE_RUN), "--server", "-w"], timeout=60, check=False)
    raise RuntimeError(f"the driver does not start; Wine's output: {log.name}")


def tearDownModule():
    if driver:
        driver.close()
    # Wine's server outlives its last program by a few seconds; let it go while the display
    # it talks to is still there.
    subprocess.run([str(WINE_RUN), "--server", "-w"], timeout=60, check=False)


class SfxTest(unittest.TestCase):
    """Starts one copy of the program per test and talks to it through the driver."""

    def setUp(self):
        self.dir = WORK / self._testMethodName
        shutil.rmtree(self.dir, ignore_errors=True)
        self.dir.mkdir(parents=True)
        self.program = None
        driver.transcript.clear()

    def tearDown(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()

    # Every failed assertion shows what the driver saw, so a failure can be read without a rerun.
    def fail(self, msg=None):
        seen = "\n".join(driver.transcript[-80:])
        super().fail(f"{msg}\n--- what the driver saw (last commands) ---\n{seen}")

    def drive(self, *args):
        ok, data, reply = driver(*args)
        if not ok:
            self.fail(f"driver command {' '.join(map(str, args))!r} answered {reply!r}")
        return data

    # ---- archives ----

    def tree(self, files, name="src"):
        """Writes files (path -> bytes, None for a directory) below a fresh folder."""
        root = self.dir / name
        for path, data in files.items():
            target = root / path
            if data is None:
                target.mkdir(parents=True, exist_ok=True)
            else:
                target.parent.mkdir(parents=True, exist_ok=True)
                target.write_bytes(data)
        return root

    def info_zip(self, files, *options, names=None):
        """An archive made by Info-ZIP zip from the files, in the order given."""
        src = self.tree(files)
        archive = self.dir / "archive.zip"
        archive.unlink(missing_ok=True)
        names = names or [p.rstrip("/") for p in files]
        subprocess.run(["zip", "-q", "-X", *options, str(archive), *names], cwd=src, check=True)
        return archive.read_bytes()

    def python_zip(self, entries, method=zipfile.ZIP_DEFLATED):
        """An archive made by Python's zipfile; names are written exactly as given."""
        archive = self.dir / "archive.zip"
        with zipfile.ZipFile(archive, "w") as zf:
            for name, data in entries:
                info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 6))
                info.compress_type = method
                zf.writestr(info, data)
        return archive.read_bytes()

    def encrypted_zip(self, files):
        """zip -P with the test password; remade until no wrong test password passes the
        one-byte check of the encryption header (1 in 256 would), so the tests stay exact."""
        for _ in range(20):
            data = self.info_zip(files, "-P", PASSWORD)
            with zipfile.ZipFile(self.dir / "archive.zip") as zf:
                if not any(self.passes_check(zf, name, wrong)
                           for name in zf.namelist() for wrong in WRONG_PASSWORDS):
                    return data
        self.fail("could not make an archive that rejects the wrong passwords")

    @staticmethod
    def passes_check(zf, name, password):
        try:
            zf.open(name, pwd=password.encode()).close()
            return True
        except RuntimeError:
            return False

    # ---- the program ----

    def mksfx(self, src, exe, *options):
        """The Windows mksfx, under Wine, packs the folder src behind the stub under test."""
        # mksfx picks the 32-bit stub unless told --64; either way the one under test.
        bitness = ["--64"] if is_64_bit(STUB) else []
        done = subprocess.run([str(WINE_RUN), str(MKSFX), "-q", *bitness, *options, "-o", wine_path(exe), "."],
                              cwd=src, capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        stub = STUB.read_bytes()
        self.assertEqual(pe_checks.without_stamped_fields(exe.read_bytes()[:len(stub)]), pe_checks.without_stamped_fields(stub))

    def start(self, archive, cwd=None, wait_for_main=True):
        exe = self.dir / f"{self._testMethodName}.exe"
        exe.write_bytes(STUB.read_bytes() + archive)
        self.launch(exe, cwd, wait_for_main)

    def launch(self, exe, cwd=None, wait_for_main=True, arguments=(), caption=MAIN):
        self.program = subprocess.Popen([str(WINE_RUN), str(exe), *arguments], cwd=cwd or self.dir,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.main = caption
        self.drive("target", exe.name, caption)
        if wait_for_main:
            self.wait_for_main()

    def wait_for_main(self):
        """Waits for the main dialog, but not for one that cannot come: a program that ended
        (crashed at start, say) fails the test at once."""
        deadline = time.monotonic() + STARTUP_MS / 1000
        while True:
            ok, _, reply = driver("wait", self.main, 2000)
            if ok:
                return
            if self.program.poll() is not None:
                self.fail(f"the program ended with code {self.program.returncode} before its main dialog showed")
            if time.monotonic() > deadline:
                self.fail(reply)

    def listing(self):
        """The file list in its own order: (name, selected)."""
        return [(line[2:], line[0] == "1") for line in self.drive("list")]

    def names(self):
        return [name for name, _ in self.listing()]

    def wait_for_listing(self, names):
        """A click is posted, so the relisting it starts may come a moment later."""
        for _ in range(100):
            if self.names() == names:
                return
        self.assertEqual(self.names(), names)

    def selected(self):
        return [name for name, chosen in self.listing() if chosen]

    def checked(self, control):
        return self.drive("checked", control)[0] == "1"

    def enabled(self, control):
        return self.drive("enabled", control)[0] == "1"

    def text(self, control):
        return self.drive("text", control)[0]

    def pointer_click(self, control):
        """A real mouse click on the control, through the X server as a user's would come."""
        x, y = self.drive("centre", control)[0].split()
        subprocess.run(["xdotool", "mousemove", "--sync", x, y, "click", "1"], check=True)

    def extract_to(self, folder):
        self.drive("set-text", PATH_FIELD, wine_path(folder) if folder else "")
        self.drive("click", EXTRACT)

    def expect_message(self, caption, text):
        self.assertEqual(self.drive("message-box", STARTUP_MS), [caption, text])

    def expect_success(self):
        self.assertEqual(self.drive("wait-dialog", STARTUP_MS), ["Extraction Successful"])
        self.expect_message("Extraction Successful", "Extraction was successful")
        self.assertEqual(self.text(STATUS_LINE), "Extraction successful")

    def expect_failure(self):
        self.expect_message("Failure", FAILURE)
        self.assertEqual(self.text(STATUS_LINE), "The hi-ligted file(s) failed CRC validation")

    def expect_damage_at(self, offset):
        """The message of a walk that stopped at `offset` in the archive, named by its offset in
        the exe, where the archive stands behind the stub."""
        self.expect_message("Archive error..", f"The archive is damaged at offset {len(STUB.read_bytes()) + offset}: "
                                               "the entries behind it cannot be reached.")

    def start_damaged(self, archive, offset):
        """The first listing runs before the dialog shows, so its message comes first."""
        self.start(archive, wait_for_main=False)
        self.expect_damage_at(offset)
        self.wait_for_main()

    def system_text(self, code):
        """The system's reason for an error, as a message ends it: without the full stop."""
        return self.drive("system-text", code)[0].rstrip(".")

    def expect_whole_extraction(self, files, password=None):
        """Extract into a new folder (typing the password when one is given): success, every file
        byte for byte, no item left selected."""
        out = self.dir / "out"
        self.extract_to(out)
        if password is not None:
            self.drive("password", password)
        self.expect_success()
        self.assertFiles(out, files)
        self.assertEqual(self.selected(), [])

    def expect_nothing_more(self):
        ok, data, reply = driver("wait-dialog", QUIET_MS)
        if ok:
            self.fail(f"unexpected window {data}")

    def expect_exit_code_0(self):
        self.expect_exit_code(0)

    def expect_exit_code(self, expected):
        try:
            code = self.program.wait(timeout=EXIT_SECONDS)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end")
        self.assertEqual(code, expected)

    def leave(self):
        self.drive("click", EXIT)
        self.expect_exit_code_0()

    def assertFiles(self, root, files):
        """Every file of `files` (path -> bytes) is under root, byte for byte."""
        for path, data in files.items():
            target = Path(root) / path
            if data is None:
                self.assertTrue(target.is_dir(), f"directory {target} missing")
            else:
                self.assertTrue(target.is_file(), f"file {target} missing")
                self.assertEqual(target.read_bytes(), data, f"{target} differs")

    def assertTreeIs(self, root, paths):
        """Exactly these files and folders are below root."""
        found = sorted(str(p.relative_to(root)) for p in Path(root).rglob("*"))
        self.assertEqual(found, sorted(paths))


FLAT = {
    "zeta.txt": text_bytes(1, 3000),
    "Alpha.txt": text_bytes(2, 120),
    "middle.bin": noise_bytes(3, 5000),
}

NESTED = {
    "readme.txt": text_bytes(4, 700),
    "docs/guide.txt": text_bytes(5, 90000),        # several 32 KB chunks, deflated
    "docs/img/logo.bin": noise_bytes(6, 70000),    # several chunks, stored
    "tools/run.txt": b"",
}


class Listing(SfxTest):
    def test_first_listing_is_sorted_fully_selected_with_stored_paths_on(self):
        self.start(self.info_zip(NESTED, names=["tools/run.txt", "readme.txt", "docs/guide.txt",
                                                "docs/img/logo.bin"]))
        self.assertEqual(self.listing(), [("docs/guide.txt", True), ("docs/img/logo.bin", True),
                                          ("readme.txt", True), ("tools/run.txt", True)])
        self.assertTrue(self.checked(STORED_PATHS))
        self.assertTrue(self.enabled(STORED_PATHS))
        self.assertTrue(self.checked(POLICY_CONFIRM))
        self.assertEqual(self.text(PATH_FIELD).lower(), wine_path(self.dir).lower())
        self.leave()

    def test_archive_without_directories_unchecks_and_disables_stored_paths(self):
        self.start(self.info_zip(FLAT))
        self.assertEqual(self.listing(), [("Alpha.txt", True), ("middle.bin", True),
                                          ("zeta.txt", True)])
        self.assertFalse(self.checked(STORED_PATHS))
        self.assertFalse(self.enabled(STORED_PATHS))
        self.leave()

    def test_bare_stub_says_it_cannot_read_the_archive_header(self):
        self.start(b"", wait_for_main=False)
        self.expect_message("Error...", "Can't read archive header")
        self.drive("wait", MAIN)
        self.assertEqual(self.listing(), [])
        self.assertFalse(self.checked(STORED_PATHS))
        self.assertFalse(self.enabled(STORED_PATHS))
        self.leave()

    def test_bytes_that_are_no_archive_say_it_cannot_read_the_archive_header(self):
        self.start(b"no archive here\n" * 100, wait_for_main=False)
        self.expect_message("Error...", "Can't read archive header")
        self.wait_for_main()
        self.assertEqual(self.listing(), [])
        self.leave()


class Extraction(SfxTest):
    def test_stored_paths_recreate_the_tree_byte_for_byte_and_deselect_every_item(self):
        self.start(self.info_zip(NESTED))
        out = self.dir / "out" / "new folder"
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, NESTED)
        self.assertEqual(self.selected(), [])
        self.leave()

    def test_without_stored_paths_every_file_lands_in_the_extract_path(self):
        self.start(self.info_zip(NESTED))
        self.pointer_click(STORED_PATHS)
        self.assertFalse(self.checked(STORED_PATHS))
        self.assertEqual(self.listing(), [("guide.txt", True), ("logo.bin", True),
                                          ("readme.txt", True), ("run.txt", True)])
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, {Path(p).name: d for p, d in NESTED.items()})
        self.assertTreeIs(out, ["guide.txt", "logo.bin", "readme.txt", "run.txt"])
        self.assertEqual(self.selected(), [])
        self.leave()

    def test_a_folder_entry_again_behind_its_files_makes_the_same_folder_and_succeeds(self):
        # The second entry of café/ takes its own item, the twin still selected, rather than
        # the one the first entry deselected.
        entries = [("café/", b""), ("café/a.txt", b"a"), ("b.txt", b"b"), ("café/", b"")]
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # zipfile warns of the duplicate name it writes
            self.start(self.python_zip(entries))
        self.assertEqual(self.names(), ["b.txt", "café/", "café/", "café/a.txt"])
        self.expect_whole_extraction({"café/a.txt": b"a", "b.txt": b"b"})
        self.leave()

    def test_a_folder_entry_again_in_other_letters_takes_its_own_item_and_succeeds(self):
        # The search for cAfé/ comes to café/, done, first; the folder's entry goes on to its
        # own item. On Windows both make one folder.
        entries = [("café/", b""), ("café/a.txt", b"a"), ("cAfé/", b""), ("café/b.txt", b"b")]
        self.start(self.python_zip(entries))
        self.expect_whole_extraction({"café/a.txt": b"a", "café/b.txt": b"b"})
        self.leave()

    def test_a_file_entry_again_apart_from_its_twin_takes_the_other_item_and_succeeds(self):
        # The second a.txt comes round to the item the first took and goes on to its twin; the
        # file it meets is written over, as the policy says.
        entries = [("a.txt", b"1"), ("b.txt", b"b"), ("A.TXT", b"2")]
        self.start(self.python_zip(entries))
        self.drive("click", POLICY_OVERWRITE)
        self.expect_whole_extraction({"a.txt": b"2", "b.txt": b"b"})
        self.leave()

    def test_equal_names_deselect_the_items_the_search_from_the_last_found_item_gives(self):
        # Without stored paths, four items read x.txt in some letter case and two README.TXT;
        # the archive holds them in another order than the list. Each header takes the first
        # item equal to its name (ignoring case) behind the one found for the header before,
        # wrapping around, or, when the run took that one already, the next equal one still
        # selected; one x.txt item is unselected, so the header that finds it is passed.
        entries = [("b/x.txt", b"1"), ("a/X.TXT", b"2"), ("c/x.txt", b"3"), ("m.txt", b"4"),
                   ("z/readme.txt", b"5"), ("README.TXT", b"6"), ("d/x.Txt", b"7")]
        self.start(self.python_zip(entries))
        self.drive("click", STORED_PATHS)
        listing = self.listing()
        while any("/" in name for name, _ in listing):  # the click relists while we look
            listing = self.listing()
        self.assertEqual(len(listing), len(entries))
        passed = [i for i, (name, _) in enumerate(listing) if name.lower() == "x.txt"][2]
        self.drive("select", passed, 0)
        self.drive("click", POLICY_OVERWRITE)
        selected = [i != passed for i in range(len(listing))]
        found, written, taken = -1, [], set()
        for name, data in entries:
            name = Path(name).name
            equal = [i for i in range(len(listing)) if listing[i][0].lower() == name.lower()]
            found = next((i for i in equal if i > found), equal[0])
            if found in taken:
                behind = [i for i in equal if i > found] + [i for i in equal if i < found]
                found = next((i for i in behind if selected[i] and i not in taken), found)
            if selected[found]:
                selected[found] = False
                taken.add(found)
                written.append((name, data))
        self.assertLess(len(written), len(entries))
        out = self.dir / "out"
        self.extract_to(out)
        if any(selected):
            self.expect_message("Failure", "The hi-lighted file(s) failed CRC validation")
        else:
            self.expect_success()
        self.assertEqual([chosen for _, chosen in self.listing()], selected)
        last = {name.lower(): data for name, data in written}
        self.assertEqual({p.name.lower(): p.read_bytes() for p in out.iterdir()}, last)
        self.leave()

    def test_unselected_items_are_not_extracted(self):
        self.start(self.info_zip(FLAT))
        self.drive("select", 1, 0)          # middle.bin
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_success()
        self.assertTreeIs(out, ["Alpha.txt", "zeta.txt"])
        self.leave()

    def test_empty_extract_path_means_the_current_folder_and_is_shown(self):
        cwd = self.dir / "current"
        cwd.mkdir()
        self.start(self.info_zip(FLAT), cwd=cwd)
        self.extract_to(None)
        self.expect_success()
        self.assertEqual(self.text(PATH_FIELD).lower(), wine_path(cwd).lower())
        self.assertFiles(cwd, FLAT)
        self.leave()

    def test_short_relative_extract_paths_are_folders_made_in_the_current_one(self):
        cwd = self.dir / "current"
        cwd.mkdir()
        self.start(self.info_zip(FLAT), cwd=cwd)
        for folder in ("ab", "a"):
            self.drive("click", SELECT_ALL)
            self.drive("set-text", PATH_FIELD, folder)
            self.drive("click", EXTRACT)
            self.expect_success()
            self.assertFiles(cwd / folder, FLAT)
        self.assertTreeIs(cwd, ["a", "ab", *(f"a/{name}" for name in FLAT), *(f"ab/{name}" for name in FLAT)])
        self.leave()

    def test_a_current_folder_too_long_for_the_extract_path_is_refused_not_cut(self):
        # 256 characters, the first 255 ending in a backslash: cut to fit the 256-byte buffer, it
        # would name the parent folder.
        parent_length = 254 - len(wine_path(self.dir)) - 1
        parent = self.dir / ("p" * parent_length)
        cwd = parent / "x"
        cwd.mkdir(parents=True)
        self.assertEqual(len(wine_path(cwd)), 256)
        self.start(self.info_zip(FLAT), cwd=cwd)
        self.assertEqual(self.text(PATH_FIELD).lower(), wine_path(cwd).lower())
        self.extract_to(None)
        self.assertEqual(self.drive("message-box", STARTUP_MS)[0], "Path too long...")
        self.expect_nothing_more()
        self.assertTreeIs(parent, ["x"])
        self.assertEqual(len(self.selected()), len(FLAT))
        self.leave()

    def test_directory_entries_with_stored_paths_are_created_and_deselected(self):
        files = {"top.txt": b"top\n", "docs/": None, "docs/a.txt": text_bytes(7, 400),
                 "docs/empty/": None}
        self.start(self.info_zip(files, "-r", names=["top.txt", "docs"]))
        self.assertEqual(self.names(), ["docs/", "docs/a.txt", "docs/empty/", "top.txt"])
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, files)
        self.assertTreeIs(out, ["docs", "docs/a.txt", "docs/empty", "top.txt"])
        self.assertEqual(self.selected(), [])
        self.leave()

    def test_directory_entries_without_stored_paths_are_not_listed(self):
        files = {"top.txt": b"top\n", "docs/": None, "docs/a.txt": text_bytes(7, 400),
                 "docs/empty/": None}
        self.start(self.info_zip(files, "-r", names=["top.txt", "docs"]))
        self.drive("click", STORED_PATHS)
        self.assertEqual(self.listing(), [("a.txt", True), ("top.txt", True)])
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_success()
        self.assertTreeIs(out, ["a.txt", "top.txt"])
        self.leave()


class MadeByMksfx(SfxTest):
    """Self-extracting programs written by our own builder (its Windows build, beside the stub)
    open and extract in the real window like those made by appending a ZIP."""

    FILES = {"readme.txt": text_bytes(20, 1500), "docs/guide.txt": text_bytes(21, 100000),
             "docs/img/photo.bin": noise_bytes(22, 70000), "empty.txt": b"", "empty dir/": None}

    def build(self, *options):
        exe = self.dir / "made.exe"
        self.mksfx(self.tree(self.FILES), exe, *options)
        return exe

    def test_a_folder_packed_by_mksfx_extracts_byte_for_byte(self):
        self.launch(self.build())
        self.assertEqual(self.names(), ["docs/", "docs/guide.txt", "docs/img/", "docs/img/photo.bin",
                                        "empty dir/", "empty.txt", "readme.txt"])
        self.expect_whole_extraction(self.FILES)
        self.leave()

    def test_a_file_over_32_mb_packed_by_mksfx_extracts_byte_for_byte(self):
        big = {"big.bin": noise_bytes(23, 16 << 20) + text_bytes(24, 1 << 20) * 17}
        self.FILES = big
        self.launch(self.build())
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, big)
        self.leave()

    def test_a_password_given_to_mksfx_is_asked_once_by_the_program(self):
        # AES-256, written by the Windows mksfx with the system's cryptography.
        exe = self.build("--password=" + PASSWORD)
        self.assertIn(b"\x01\x99\x07\x00\x02\x00AE\x03", exe.read_bytes())
        self.launch(exe)
        self.expect_whole_extraction(self.FILES, PASSWORD)
        self.leave()

    def test_a_zipcrypto_password_given_to_mksfx_is_asked_once_by_the_program(self):
        exe = self.build("--zipcrypto", "--password=" + PASSWORD)
        self.assertNotIn(b"\x01\x99\x07\x00", exe.read_bytes())
        self.launch(exe)
        self.expect_whole_extraction(self.FILES, PASSWORD)
        self.leave()


class Passwords(SfxTest):
    # four.bin is more than two chunks of encrypted data: the stub reads it ahead.
    FILES = {"one.txt": text_bytes(8, 5000), "two.bin": noise_bytes(9, 3000),
             "sub/three.txt": text_bytes(10, 40000), "sub/four.bin": noise_bytes(11, 100000)}

    def test_one_prompt_for_an_archive_with_several_encrypted_entries(self):
        self.start(self.encrypted_zip(self.FILES))
        self.expect_whole_extraction(self.FILES, PASSWORD)
        self.leave()

    def test_a_wrong_password_is_asked_again(self):
        self.start(self.encrypted_zip(self.FILES))
        out = self.dir / "out"
        self.extract_to(out)
        self.drive("password", WRONG_PASSWORDS[0])
        self.drive("password", PASSWORD)
        self.expect_success()
        self.assertFiles(out, self.FILES)
        self.leave()

    def test_three_wrong_passwords_end_the_run_silently(self):
        self.start(self.encrypted_zip(self.FILES))
        out = self.dir / "out"
        self.extract_to(out)
        for wrong in WRONG_PASSWORDS:
            self.drive("password", wrong)
        self.expect_nothing_more()
        self.assertFalse(any(p.is_file() for p in out.rglob("*")), "a file was written")
        self.assertEqual(self.selected(), ["one.txt", "sub/four.bin", "sub/three.txt", "two.bin"])
        self.assertEqual(self.text(STATUS_LINE), "")
        self.leave()


class Overwriting(SfxTest):
    NEW = {"a.txt": b"new a\n", "b.txt": b"new b\n", "c.txt": b"new c\n"}

    def existing(self, out, *names):
        out.mkdir(parents=True, exist_ok=True)
        for name in names:
            (out / name).write_bytes(b"old " + name.encode())

    def test_answer_no_keeps_the_file_and_counts_as_done(self):
        out = self.dir / "out"
        self.existing(out, "b.txt")
        self.start(self.info_zip(self.NEW))
        self.extract_to(out)
        self.assertEqual(self.drive("overwrite", "no"), ["b.txt...already exists, overwrite?"])
        self.expect_success()
        self.assertEqual((out / "b.txt").read_bytes(), b"old b.txt")
        self.assertFiles(out, {"a.txt": self.NEW["a.txt"], "c.txt": self.NEW["c.txt"]})
        self.assertEqual(self.selected(), [])
        self.assertTrue(self.checked(POLICY_CONFIRM))
        self.leave()

    def test_yes_with_dont_ask_again_overwrites_from_then_on_and_moves_the_radio_button(self):
        out = self.dir / "out"
        self.existing(out, "a.txt", "c.txt")
        self.start(self.info_zip(self.NEW))
        self.extract_to(out)
        self.assertEqual(self.drive("overwrite", "yes", "dont-ask"),
                         ["a.txt...already exists, overwrite?"])
        self.expect_success()              # no question for c.txt
        self.assertFiles(out, self.NEW)
        self.assertTrue(self.checked(POLICY_OVERWRITE))
        self.assertFalse(self.checked(POLICY_CONFIRM))
        # The policy outlives the run: a second run asks nothing either.
        self.drive("click", SELECT_ALL)
        self.extract_to(out)
        self.expect_success()
        self.leave()

    def test_no_keeps_the_file_even_after_switching_to_overwrite_during_the_question(self):
        out = self.dir / "out"
        self.existing(out, "a.txt", "b.txt")
        self.start(self.info_zip(self.NEW))
        self.extract_to(out)
        self.assertEqual(self.drive("overwrite", "yes"), ["a.txt...already exists, overwrite?"])
        self.drive("wait", OVERWRITE_QUESTION, STARTUP_MS)
        self.drive("click", POLICY_OVERWRITE)     # the main dialog stays usable meanwhile
        for _ in range(50):
            if self.checked(POLICY_OVERWRITE):
                break
        self.assertTrue(self.checked(POLICY_OVERWRITE))
        self.assertEqual(self.drive("overwrite", "no"), ["b.txt...already exists, overwrite?"])
        self.expect_success()
        self.assertEqual((out / "b.txt").read_bytes(), b"old b.txt")
        self.assertFiles(out, {"a.txt": self.NEW["a.txt"], "c.txt": self.NEW["c.txt"]})
        self.leave()

    def test_skip_policy_leaves_existing_files_without_asking(self):
        out = self.dir / "out"
        self.existing(out, "a.txt", "c.txt")
        self.start(self.info_zip(self.NEW))
        self.drive("click", POLICY_SKIP)
        self.extract_to(out)
        self.expect_success()
        self.assertEqual((out / "a.txt").read_bytes(), b"old a.txt")
        self.assertEqual((out / "c.txt").read_bytes(), b"old c.txt")
        self.assertFiles(out, {"b.txt": self.NEW["b.txt"]})
        self.assertEqual(self.selected(), [])
        self.leave()


def local_header_offsets(archive):
    """Offsets of the local headers, walked by their sizes (no data descriptors here)."""
    offsets, at = [], 0
    while archive[at:at + 4] == b"PK\x03\x04":
        offsets.append(at)
        (size,) = struct.unpack_from("<I", archive, at + 18)
        name_len, extra_len = struct.unpack_from("<2H", archive, at + 26)
        at += 30 + name_len + extra_len + size
    return offsets


def data_offset(archive, at):
    """Where the data of the entry whose local header stands at `at` begins."""
    name_len, extra_len = struct.unpack_from("<2H", archive, at + 26)
    return at + 30 + name_len + extra_len


def central_header_offsets(archive):
    offsets, at = [], archive.find(b"PK\x01\x02")
    while at >= 0 and archive[at:at + 4] == b"PK\x01\x02":
        offsets.append(at)
        name_len, extra_len, comment_len = struct.unpack_from("<3H", archive, at + 28)
        at += 46 + name_len + extra_len + comment_len
    return offsets


class BrokenArchives(SfxTest):
    def test_method_12_after_two_good_entries_stops_the_run_without_closing_message(self):
        entries = [("1-first.txt", b"first\n"), ("2-second.txt", b"second\n"),
                   ("3-method12.txt", b"third\n"), ("4-after.txt", b"after\n")]
        archive = bytearray(self.python_zip(entries, zipfile.ZIP_STORED))
        struct.pack_into("<H", archive, local_header_offsets(archive)[2] + 8, 12)
        struct.pack_into("<H", archive, central_header_offsets(archive)[2] + 10, 12)
        self.start(bytes(archive))
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_message("Unable to extract...", "Unsupported compression method")
        self.expect_nothing_more()
        # The method is tested before the file is made, so no empty third file is left behind.
        self.assertTreeIs(out, ["1-first.txt", "2-second.txt"])
        self.assertFiles(out, dict(entries[:2]))
        self.assertEqual(self.selected(), ["3-method12.txt", "4-after.txt"])
        self.leave()

    def test_corrupted_entry_stays_highlighted_leaves_no_file_and_the_run_reports_crc_failure(self):
        good = {"a.txt": text_bytes(11, 2000), "c.txt": text_bytes(12, 2000)}
        entries = [("a.txt", good["a.txt"]), ("b.bin", noise_bytes(13, 1000)),
                   ("c.txt", good["c.txt"])]
        archive = bytearray(self.python_zip(entries, zipfile.ZIP_STORED))
        archive[data_offset(archive, local_header_offsets(archive)[1]) + 500] ^= 0xFF
        self.start(bytes(archive))
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_failure()
        self.assertEqual(self.selected(), ["b.bin"])
        self.assertFiles(out, good)
        self.assertTreeIs(out, ["a.txt", "c.txt"])  # neither b.bin nor its temporary file
        self.leave()

    def test_unsafe_names_are_refused_and_nothing_lands_outside_the_extract_path(self):
        entries = [("../evil.txt", b"evil 1\n"), ("good.txt", b"good\n"),
                   ("C:/evil.txt", b"evil 2\n"), ("sub/../../evil.txt", b"evil 3\n"),
                   ("/evil-root.txt", b"evil 4\n")]
        self.start(self.python_zip(entries))
        out = self.dir / "out" / "inner"
        self.extract_to(out)
        for name in ("../evil.txt", "C:/evil.txt", "sub/../../evil.txt", "/evil-root.txt"):
            self.expect_message("Unsafe path...", name)
        self.expect_message("Failure", "The hi-lighted file(s) failed CRC validation")
        self.assertTreeIs(self.dir / "out", ["inner", "inner/good.txt"])
        self.assertFalse(list(self.dir.rglob("evil*")))
        prefix_c = Path(os.environ["WINEPREFIX"]) / "drive_c"
        self.assertFalse((prefix_c / "evil.txt").exists())
        self.assertFalse(Path("/evil-root.txt").exists())
        self.assertEqual(sorted(self.selected()), sorted(n for n, _ in entries if "evil" in n))
        self.leave()


class DamagedArchives(SfxTest):
    """Behind the last entry comes the central directory or another record of the archive's end.
    A walk that stops anywhere else met damage: the entries in front of it are listed and
    extracted, a message names the offset in the exe where the walk stopped, at every listing and
    in every run, and the run fails however well the entries it reached verified."""

    ENTRIES = [("docs/a.txt", text_bytes(50, 1500)), ("b.txt", text_bytes(51, 800)),
               ("c.bin", noise_bytes(52, 900))]

    def archive(self):
        return bytearray(self.python_zip(self.ENTRIES, zipfile.ZIP_STORED))

    def expect_damaged_run(self, offset, reached):
        """A run: the entries reached land byte for byte, the walk's end is damage, and it fails."""
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_damage_at(offset)
        self.expect_failure()
        self.expect_nothing_more()
        self.assertFiles(out, dict(self.ENTRIES[:reached]))
        self.assertEqual(self.selected(), [])  # every entry the walk reached verified
        return out

    def test_stray_bytes_between_two_entries_are_damage_at_start_on_every_relisting_and_in_the_run(self):
        archive = self.archive()
        at = local_header_offsets(archive)[1]
        archive[at:at] = b"stray bytes"
        self.start_damaged(bytes(archive), at)
        self.assertEqual(self.listing(), [("docs/a.txt", True)])
        self.drive("click", STORED_PATHS)
        self.expect_damage_at(at)
        self.wait_for_listing(["a.txt"])
        self.drive("click", STORED_PATHS)
        self.expect_damage_at(at)
        self.wait_for_listing(["docs/a.txt"])
        self.assertTrue(self.checked(STORED_PATHS))
        out = self.expect_damaged_run(at, reached=1)
        self.assertTreeIs(out, ["docs", "docs/a.txt"])
        self.leave()

    def test_a_damaged_local_header_signature_ends_the_walk_at_that_header(self):
        archive = self.archive()
        at = local_header_offsets(archive)[2]
        archive[at + 1] = ord("X")  # "PX", no record of any kind
        out = self.dir / "out"
        out.mkdir()
        (out / "c.bin").write_bytes(b"old c.bin\n")
        self.start_damaged(bytes(archive), at)
        self.assertEqual(self.names(), ["b.txt", "docs/a.txt"])
        self.expect_damaged_run(at, reached=2)
        self.assertTreeIs(out, ["b.txt", "c.bin", "docs", "docs/a.txt"])
        self.assertEqual((out / "c.bin").read_bytes(), b"old c.bin\n")  # never reached
        self.leave()

    def test_a_file_that_ends_right_behind_an_entry_is_damaged_at_its_end(self):
        archive = self.archive()
        del archive[central_header_offsets(archive)[0]:]
        self.start_damaged(bytes(archive), len(archive))
        self.assertEqual(self.names(), ["b.txt", "c.bin", "docs/a.txt"])
        out = self.expect_damaged_run(len(archive), reached=3)
        self.assertTreeIs(out, ["b.txt", "c.bin", "docs", "docs/a.txt"])
        self.leave()

    def test_zero_bytes_where_an_entry_stood_are_damage_for_the_central_directory_still_lists_it(self):
        archive = self.archive()
        at, central = local_header_offsets(archive)[2], central_header_offsets(archive)[0]
        archive[at:central] = bytes(central - at)
        self.start_damaged(bytes(archive), at)
        self.assertEqual(self.names(), ["b.txt", "docs/a.txt"])
        out = self.expect_damaged_run(at, reached=2)
        self.assertTreeIs(out, ["b.txt", "docs", "docs/a.txt"])
        self.leave()

    def test_padding_in_front_of_a_central_directory_that_lists_every_entry_is_no_damage(self):
        archive = self.archive()
        central, end = central_header_offsets(archive)[0], archive.rfind(b"PK\x05\x06")
        struct.pack_into("<I", archive, end + 16, central + 64)  # where the end record finds it
        archive[central:central] = bytes(64)
        self.start(bytes(archive))  # no message holds up the dialog
        self.assertEqual(self.names(), ["b.txt", "c.bin", "docs/a.txt"])
        self.expect_whole_extraction(dict(self.ENTRIES))
        self.expect_nothing_more()
        self.leave()


class Replacing(SfxTest):
    """Each entry is written under a temporary name beside its own and takes its name only once
    its CRC-32 and size verify: a file of that name is replaced by a verified one or left as it
    was, and no temporary file outlives the run."""

    def test_a_failed_entry_leaves_the_file_it_would_replace_byte_identical(self):
        entries = [("a.txt", text_bytes(60, 900)), ("b.bin", noise_bytes(61, 1200)),
                   ("c.txt", text_bytes(62, 400))]
        archive = bytearray(self.python_zip(entries, zipfile.ZIP_STORED))
        archive[data_offset(archive, local_header_offsets(archive)[1]) + 600] ^= 0xFF
        out = self.dir / "out"
        out.mkdir()
        (out / "b.bin").write_bytes(b"old b.bin\n")
        self.start(bytes(archive))
        self.extract_to(out)
        self.assertEqual(self.drive("overwrite", "yes"), ["b.bin...already exists, overwrite?"])
        self.expect_failure()
        self.expect_nothing_more()
        self.assertEqual((out / "b.bin").read_bytes(), b"old b.bin\n")
        self.assertFiles(out, {"a.txt": entries[0][1], "c.txt": entries[2][1]})
        self.assertTreeIs(out, ["a.txt", "b.bin", "c.txt"])
        self.assertEqual(self.selected(), ["b.bin"])
        self.leave()

    def test_a_folder_where_the_file_goes_is_not_replaced_and_the_systems_reason_is_shown(self):
        entries = [("a.txt", text_bytes(63, 900)), ("b.txt", text_bytes(64, 900)),
                   ("c.txt", text_bytes(65, 900))]
        out = self.dir / "out"
        (out / "b.txt").mkdir(parents=True)
        (out / "b.txt" / "inner.txt").write_bytes(b"inner\n")
        self.start(self.python_zip(entries))
        self.drive("click", POLICY_OVERWRITE)
        self.extract_to(out)
        self.expect_message("Couldn't replace...",
                            wine_path(out) + "\\b.txt: " + self.system_text(ERROR_ACCESS_DENIED))
        self.expect_failure()
        self.expect_nothing_more()
        self.assertFiles(out, {"a.txt": entries[0][1], "c.txt": entries[2][1], "b.txt/inner.txt": b"inner\n"})
        self.assertTreeIs(out, ["a.txt", "b.txt", "b.txt/inner.txt", "c.txt"])
        self.assertEqual(self.selected(), ["b.txt"])
        self.leave()

    @contextmanager
    def small_disk(self, size):
        """A file system of its own below the test's folder, of `size` bytes."""
        disk = self.dir / "small disk"
        disk.mkdir()
        if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(disk)],
                                               capture_output=True).returncode != 0:
            self.skipTest("a small file system cannot be mounted here (it needs root)")
        try:
            yield disk
        finally:
            # Lazily: a program that a failed test left running may still hold a file there.
            subprocess.run(["umount", "--lazy", str(disk)], check=False)

    def test_a_write_to_a_full_disk_says_so_with_the_systems_reason_and_keeps_the_old_file(self):
        # The old file fills the disk, so the first write of its replacement fails. An empty
        # entry behind it needs no room: the run goes on.
        entries = [("big.bin", noise_bytes(66, 3000)), ("empty.txt", b"")]
        with self.small_disk(64 * 1024) as out:
            old = noise_bytes(67, 64 * 1024)
            (out / "big.bin").write_bytes(old)
            self.start(self.python_zip(entries))
            self.drive("click", POLICY_OVERWRITE)
            self.extract_to(out)
            self.expect_message("Error writing...", wine_path(out) + "\\big.bin: " + self.system_text(ERROR_DISK_FULL))
            self.expect_failure()
            self.expect_nothing_more()
            self.assertFiles(out, {"big.bin": old, "empty.txt": b""})
            self.assertTreeIs(out, ["big.bin", "empty.txt"])
            self.assertEqual(self.selected(), ["big.bin"])
            self.leave()


# The mark a browser gives a download: Windows keeps it in the file's Zone.Identifier stream,
# which Wine keeps as a file of that name beside the file, so it can be written and read here.
ZONE_MARK = (b"[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.com/\r\n"
             b"HostUrl=https://example.com/setup.exe\r\n")
MARK_SUFFIX = ":Zone.Identifier"


def mark_of(path):
    """Where Wine keeps the file's Zone.Identifier stream."""
    return Path(str(path) + MARK_SUFFIX)


def with_marks(files):
    """The files' paths, and the path of each one's mark beside it."""
    return [*files, *(path + MARK_SUFFIX for path in files)]


class ZoneMark(SfxTest):
    """A program downloaded from the internet carries the mark of where it came from, which
    Office and SmartScreen read; every file it extracts carries the same mark, byte for byte, and
    a file that cannot be given it fails as its entry."""

    ENTRIES = [("a.txt", text_bytes(70, 900)), ("b.bin", noise_bytes(71, 1200)), ("c.txt", text_bytes(72, 400))]

    def start_marked(self, archive):
        exe = self.dir / f"{self._testMethodName}.exe"
        exe.write_bytes(STUB.read_bytes() + archive)
        mark_of(exe).write_bytes(ZONE_MARK)
        self.launch(exe)

    def assertMarked(self, root):
        """Every file below root carries the program's mark, and nothing else carries one (a
        folder named like a mark, which a test put in the way, is none)."""
        found = [path for path in Path(root).rglob("*") if path.is_file()]
        marks = {path for path in found if path.name.endswith(MARK_SUFFIX)}
        files = {path for path in found if path not in marks}
        self.assertTrue(files, f"no file below {root}")
        self.assertEqual(sorted(map(str, marks)), sorted(str(mark_of(path)) for path in files))
        for mark in marks:
            self.assertEqual(mark.read_bytes(), ZONE_MARK, mark)

    def assertNoMarks(self, root):
        self.assertEqual([str(path) for path in Path(root).rglob("*" + MARK_SUFFIX)], [])

    def test_every_file_from_a_marked_exe_carries_its_mark_and_no_folder_does(self):
        archive = self.info_zip(NESTED, "-r", "-n", ".bin", names=["readme.txt", "docs", "tools"])
        with zipfile.ZipFile(self.dir / "archive.zip") as zf:
            methods = {info.filename: info.compress_type for info in zf.infolist()}
        self.assertEqual(methods["docs/img/logo.bin"], zipfile.ZIP_STORED)
        self.assertEqual(methods["docs/guide.txt"], zipfile.ZIP_DEFLATED)
        self.assertIn("docs/img/", methods)
        self.start_marked(archive)
        out = self.dir / "out"
        self.expect_whole_extraction(NESTED)
        self.assertMarked(out)
        self.assertTreeIs(out, ["docs", "docs/img", "tools", *with_marks(NESTED)])
        self.leave()

    def test_an_exe_without_a_mark_gives_none(self):
        self.start(self.info_zip(NESTED, "-r", names=["readme.txt", "docs", "tools"]))
        self.expect_whole_extraction(NESTED)
        self.assertNoMarks(self.dir)
        self.leave()

    def test_an_overwritten_file_carries_the_exes_mark_in_place_of_its_own(self):
        out = self.dir / "out"
        out.mkdir()
        (out / "a.txt").write_bytes(b"old a.txt\n")
        (out / "b.bin").write_bytes(b"old b.bin\n")
        mark_of(out / "b.bin").write_bytes(b"[ZoneTransfer]\r\nZoneId=2\r\n")
        self.start_marked(self.python_zip(self.ENTRIES))
        self.drive("click", POLICY_OVERWRITE)
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, dict(self.ENTRIES))
        self.assertMarked(out)
        self.assertTreeIs(out, with_marks(["a.txt", "b.bin", "c.txt"]))
        self.leave()

    def test_a_failed_entry_leaves_no_mark_and_the_file_it_would_replace_as_it_was(self):
        archive = bytearray(self.python_zip(self.ENTRIES, zipfile.ZIP_STORED))
        archive[data_offset(archive, local_header_offsets(archive)[1]) + 600] ^= 0xFF
        out = self.dir / "out"
        out.mkdir()
        (out / "b.bin").write_bytes(b"old b.bin\n")
        self.start_marked(bytes(archive))
        self.extract_to(out)
        self.assertEqual(self.drive("overwrite", "yes"), ["b.bin...already exists, overwrite?"])
        self.expect_failure()
        self.expect_nothing_more()
        self.assertEqual((out / "b.bin").read_bytes(), b"old b.bin\n")
        self.assertFiles(out, {"a.txt": self.ENTRIES[0][1], "c.txt": self.ENTRIES[2][1]})
        self.assertTreeIs(out, [*with_marks(["a.txt", "c.txt"]), "b.bin"])
        for name in ("a.txt", "c.txt"):
            self.assertEqual(mark_of(out / name).read_bytes(), ZONE_MARK, name)
        self.assertEqual(self.selected(), ["b.bin"])
        self.leave()

    def test_a_mark_the_file_cannot_take_under_its_name_fails_the_entry_with_the_systems_reason(self):
        # A folder stands where Wine keeps the mark of b.bin; the file that cannot be marked is
        # taken away again.
        out = self.dir / "out"
        mark_of(out / "b.bin").mkdir(parents=True)
        self.start_marked(self.python_zip(self.ENTRIES))
        self.extract_to(out)
        self.expect_message("Couldn't mark as downloaded...",
                            wine_path(out) + "\\b.bin: " + self.system_text(ERROR_FILE_EXISTS))
        self.expect_failure()
        self.expect_nothing_more()
        self.assertFiles(out, {"a.txt": self.ENTRIES[0][1], "c.txt": self.ENTRIES[2][1]})
        self.assertTreeIs(out, [*with_marks(["a.txt", "c.txt"]), "b.bin" + MARK_SUFFIX])
        self.assertMarked(out)
        self.assertEqual(self.selected(), ["b.bin"])
        self.leave()

    def test_a_mark_the_temporary_file_cannot_take_fails_the_entry_before_the_old_file_is_replaced(self):
        # The run's first temporary file is ~kvx0001.tmp, and a folder stands where its mark goes.
        out = self.dir / "out"
        out.mkdir()
        (out / "a.txt").write_bytes(b"old a.txt\n")
        mark_of(out / "~kvx0001.tmp").mkdir()
        self.start_marked(self.python_zip(self.ENTRIES))
        self.drive("click", POLICY_OVERWRITE)
        self.extract_to(out)
        self.expect_message("Couldn't mark as downloaded...",
                            wine_path(out) + "\\a.txt: " + self.system_text(ERROR_FILE_EXISTS))
        self.expect_failure()
        self.expect_nothing_more()
        self.assertEqual((out / "a.txt").read_bytes(), b"old a.txt\n")
        self.assertFiles(out, {"b.bin": self.ENTRIES[1][1], "c.txt": self.ENTRIES[2][1]})
        self.assertTreeIs(out, [*with_marks(["b.bin", "c.txt"]), "a.txt", "~kvx0001.tmp" + MARK_SUFFIX])
        for name in ("b.bin", "c.txt"):
            self.assertEqual(mark_of(out / name).read_bytes(), ZONE_MARK, name)
        self.assertEqual(self.selected(), ["a.txt"])
        self.leave()

    def test_a_path_whose_mark_is_longer_than_the_system_takes_is_refused_before_anything_is_made(self):
        out = self.dir / "out"
        base = wine_path(out) + "\\"
        # A path the system takes (in its \\?\ form, 4 more) whose ":Zone.Identifier" it does not.
        room = LONGEST_PATH - 1 - 4 - len(base) - 5
        fits = "/".join(["f" * 250] * (room // 251)) + "/" + "g" * (room % 251)
        self.start_marked(self.python_zip([(fits, b"fits\n"), ("ok.txt", b"ok\n")]))
        self.extract_to(out)
        self.expect_message("Path too long...", base + fits.replace("/", "\\"))
        self.expect_failure()
        self.expect_nothing_more()
        self.assertTreeIs(out, with_marks(["ok.txt"]))
        self.assertEqual(self.selected(), [fits])
        self.leave()

    # ---- unsfx.exe, the console extractor, on a plain ZIP that carries a mark ----

    def unsfx(self, archive, out):
        return subprocess.run([str(WINE_RUN), str(UNSFX), "extract", "-q", wine_path(archive), "-d", wine_path(out)],
                              capture_output=True, text=True, timeout=120)

    def test_unsfx_exe_gives_every_file_it_extracts_the_zips_mark(self):
        self.info_zip(NESTED, "-r", "-n", ".bin", names=["readme.txt", "docs", "tools"])
        archive, out = self.dir / "archive.zip", self.dir / "out"
        mark_of(archive).write_bytes(ZONE_MARK)
        done = self.unsfx(archive, out)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertFiles(out, NESTED)
        self.assertMarked(out)

    def test_unsfx_exe_gives_no_mark_from_a_zip_without_one(self):
        self.info_zip(NESTED, "-r", names=["readme.txt", "docs", "tools"])
        done = self.unsfx(self.dir / "archive.zip", self.dir / "out")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertFiles(self.dir / "out", NESTED)
        self.assertNoMarks(self.dir)

    def test_unsfx_exe_names_the_file_it_could_not_mark_and_exits_1(self):
        self.python_zip(self.ENTRIES)
        archive, out = self.dir / "archive.zip", self.dir / "out"
        mark_of(archive).write_bytes(ZONE_MARK)
        mark_of(out / "b.bin").mkdir(parents=True)
        done = self.unsfx(archive, out)
        self.assertEqual(done.returncode, 1, done.stderr)
        self.assertEqual(done.stderr.splitlines(), [
            "unsfx: Couldn't mark as downloaded... " + wine_path(out) + "\\b.bin: " + self.system_text(ERROR_FILE_EXISTS),
            "unsfx: failed: b.bin (its file could not be marked as downloaded, as the archive is)"])
        self.assertFiles(out, {"a.txt": self.ENTRIES[0][1], "c.txt": self.ENTRIES[2][1]})
        self.assertTreeIs(out, [*with_marks(["a.txt", "c.txt"]), "b.bin" + MARK_SUFFIX])
        self.assertMarked(out)


class LongNames(SfxTest):
    """No name is cut to fit: an entry whose name part or path the file system cannot take whole
    is refused by name, nothing is made for it, and the run goes on."""

    def test_a_name_part_over_255_characters_is_refused_by_name_and_nothing_is_made_for_it(self):
        long_name = "docs/" + "n" * 252 + ".txt"
        self.start(self.python_zip([(long_name, b"long\n"), ("ok.txt", b"ok\n")]))
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_message("Name too long...", long_name)
        self.expect_failure()
        self.expect_nothing_more()
        self.assertFiles(out, {"ok.txt": b"ok\n"})
        self.assertTreeIs(out, ["ok.txt"])
        self.assertEqual(self.selected(), [long_name])
        self.leave()

    def test_without_stored_paths_a_name_one_past_255_never_writes_into_the_file_of_its_first_255(self):
        a255 = "a" * 255
        self.start(self.python_zip([("x/" + a255 + "b", b"first entry\n"), ("y/" + a255, b"second entry\n")]))
        self.drive("click", STORED_PATHS)
        self.wait_for_listing([a255, a255 + "b"])
        # A name of 255 units fits below a drive's root only: out becomes drive K: of the prefix.
        out = self.dir / "out"
        out.mkdir()
        drive = Path(os.environ["WINEPREFIX"]) / "dosdevices" / "k:"
        if drive.is_symlink():
            drive.unlink()
        drive.symlink_to(out)
        self.addCleanup(drive.unlink)
        self.drive("set-text", PATH_FIELD, "K:\\")
        self.drive("click", EXTRACT)
        # Cut to 255, the first would have made the second's file, and the second would ask to overwrite it.
        self.expect_message("Name too long...", a255 + "b")
        self.expect_failure()
        self.expect_nothing_more()
        self.assertFiles(out, {a255: b"second entry\n"})
        self.assertTreeIs(out, [a255])
        self.assertEqual(self.selected(), [a255 + "b"])
        self.leave()

    def test_paths_of_more_than_600_characters_are_written_byte_for_byte(self):
        # Beyond MAX_PATH, through the paths' \\?\ form: a deep tree from Python's zipfile.
        deep = "/".join(["level-%02d-" % n + "x" * 40 for n in range(14)])
        files = {deep + "/a.txt": b"deep a\n", deep + "/sub/b.bin": noise_bytes(61, 5000), "top.txt": b"top\n"}
        self.assertGreater(len(wine_path(self.dir / "out")) + len(deep), 600)
        self.start(self.python_zip(list(files.items())))
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, files)
        self.leave()

    def test_a_path_longer_than_the_system_takes_is_refused_by_path_and_nothing_is_made(self):
        out = self.dir / "out"
        base = wine_path(out) + "\\"
        # Levels of 250 units up to one past the 32,767 a path takes in its \\?\ form (4 more).
        levels = (LONGEST_PATH - 4 - len(base)) // 251 + 1
        too_long = "/".join(["d" * 250] * levels) + "/x.txt"
        self.assertGreaterEqual(4 + len(base) + len(too_long), LONGEST_PATH)
        self.start(self.python_zip([("fits.txt", b"fits\n"), (too_long, b"too long\n")]))
        self.extract_to(out)
        self.expect_message("Path too long...", base + too_long.replace("/", "\\"))
        self.expect_failure()
        self.expect_nothing_more()
        self.assertFiles(out, {"fits.txt": b"fits\n"})
        self.assertTreeIs(out, ["fits.txt"])  # not even the folders of the one refused
        self.assertEqual(self.selected(), [too_long])
        self.leave()


class BigArchives(SfxTest):
    """Positions are 64-bit: an exe of just under the 4 GiB Windows starts, whose first entry is a
    stored entry of zeros (a hole in a sparse file) and whose small entries stand behind it."""

    def test_an_exe_of_almost_4_gib_lists_everything_and_extracts_the_small_entries_behind_the_big(self):
        exe = self.dir / "big.exe"
        stub = STUB.read_bytes()
        small = [("readme.txt", b"read me\n"), ("docs/guide.txt", text_bytes(70, 5000))]
        big = (4 << 30) - len(stub) - (1 << 20)
        offsets = sparse_archive.write_sparse_archive(str(exe), stub, "disk.img", big, small)
        self.assertGreater(offsets[-1], 0xF0000000)
        try:
            self.launch(exe)
            self.assertEqual(self.names(), sorted(["disk.img", "readme.txt", "docs/guide.txt"]))
            self.drive("select", self.names().index("disk.img"), 0)
            out = self.dir / "out"
            self.extract_to(out)
            self.expect_success()
            self.assertFiles(out, dict(small))
            self.assertFalse((out / "disk.img").exists())
            self.leave()
        finally:
            exe.unlink()


class StreamedArchives(SfxTest):
    """Writers that cannot seek back leave the sizes out of the local headers (flag bit 3) and
    write them into a data descriptor behind each entry's data."""

    FILES = {"readme.txt": text_bytes(40, 700), "docs/guide.txt": text_bytes(41, 90000),
             "docs/img/logo.bin": noise_bytes(42, 70000), "empty.txt": b""}
    # For zipfile writing into a pipe: the stored entry has no sizes in its local header.
    STORED = {"1-first.txt": text_bytes(43, 3000), "2-stored.bin": noise_bytes(44, 500),
              "3-after.txt": text_bytes(45, 300)}

    def test_an_archive_zip_wrote_into_a_pipe_lists_and_extracts_completely(self):
        src = self.tree(self.FILES)
        archive = self.dir / "archive.zip"
        subprocess.run("zip -q -X -r - readme.txt docs empty.txt | cat > " + shlex.quote(str(archive)), shell=True,
                       cwd=src, check=True)
        with zipfile.ZipFile(archive) as zf:
            names = zf.namelist()
            self.assertTrue(zf.getinfo("docs/guide.txt").flag_bits & 8)
        self.start(archive.read_bytes())
        self.assertEqual(self.names(), sorted(names))
        self.expect_whole_extraction(self.FILES)
        self.leave()

    def piped_python_zip(self):
        """zipfile writing into a pipe, which it cannot seek in: the stored entry's sizes are only
        in its data descriptor. Returns the archive and where that entry's data begins."""
        reader = subprocess.Popen(["cat"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        with zipfile.ZipFile(reader.stdin, "w") as zf:
            for name, data in self.STORED.items():
                zf.writestr(name, data, zipfile.ZIP_STORED if name.endswith(".bin") else zipfile.ZIP_DEFLATED)
        archive, _ = reader.communicate()
        at = zipfile.ZipFile(io.BytesIO(archive)).getinfo("2-stored.bin").header_offset
        flags, method = struct.unpack_from("<2H", archive, at + 6)
        self.assertEqual((flags & 8, method, struct.unpack_from("<2I", archive, at + 18)), (8, 0, (0, 0)))
        return bytearray(archive), data_offset(archive, at)

    def test_a_stored_entry_without_sizes_ends_at_the_descriptor_that_proves_its_bytes(self):
        archive, _ = self.piped_python_zip()
        self.start(bytes(archive))
        self.assertEqual(self.names(), sorted(self.STORED))
        self.expect_whole_extraction(self.STORED)
        self.assertTreeIs(self.dir / "out", sorted(self.STORED))
        self.leave()

    def test_a_stored_entry_whose_descriptor_does_not_match_its_bytes_is_refused_and_leaves_no_file(self):
        archive, data = self.piped_python_zip()
        descriptor = data + len(self.STORED["2-stored.bin"])
        self.assertEqual(archive[descriptor:descriptor + 4], b"PK\x07\x08")
        archive[descriptor + 4] ^= 0xFF  # its CRC-32
        # Nothing shows where the stored data ends, so the walk stops at its start.
        self.start_damaged(bytes(archive), data)
        self.assertEqual(self.names(), ["1-first.txt", "2-stored.bin"])
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_message("Unable to extract...", "Stored entry without sizes: its end is unknown")
        self.expect_failure()
        self.expect_nothing_more()
        self.assertFiles(out, {"1-first.txt": self.STORED["1-first.txt"]})
        self.assertTreeIs(out, ["1-first.txt"])
        self.assertEqual(self.selected(), ["2-stored.bin"])
        self.leave()


class AesEntries(SfxTest):
    """AES entries as 7-Zip writes them, read through the same password prompt as traditional
    encryption. four.bin is more than two chunks: the stub reads it ahead."""
    FILES = {"one.txt": text_bytes(60, 5000), "empty.txt": b"", "sub/three.txt": text_bytes(61, 40000),
             "sub/four.bin": noise_bytes(62, 100000)}

    def sevenzip_aes(self, files, bits, *options):
        src = self.tree(files)
        archive = self.dir / "aes.zip"
        archive.unlink(missing_ok=True)
        subprocess.run(["7z", "a", "-tzip", "-p" + PASSWORD, "-mem=AES%d" % bits, *options, str(archive),
                        *[p for p in files]], cwd=src, check=True, capture_output=True)
        return archive.read_bytes()

    def test_aes_256_entries_stored_and_deflated_extract_byte_for_byte_after_one_prompt(self):
        archive = self.sevenzip_aes(self.FILES, 256, "-mx=5")
        self.start(archive)
        self.expect_whole_extraction(self.FILES, PASSWORD)
        self.leave()

    def test_aes_128_and_192_stored_entries_extract_byte_for_byte(self):
        for bits in (128, 192):
            with self.subTest(bits=bits):
                self.start(self.sevenzip_aes(self.FILES, bits, "-mx=0"))
                out = self.dir / ("out%d" % bits)
                self.extract_to(out)
                self.drive("password", PASSWORD)
                self.expect_success()
                self.assertFiles(out, self.FILES)
                self.leave()

    def test_three_wrong_passwords_end_the_run_silently_with_nothing_written(self):
        self.start(self.sevenzip_aes(self.FILES, 256))
        out = self.dir / "out"
        self.extract_to(out)
        for wrong in WRONG_PASSWORDS:
            self.drive("password", wrong)
        self.expect_nothing_more()
        self.assertFalse(any(p.is_file() for p in out.rglob("*")), "a file was written")
        self.assertEqual(self.selected(), ["empty.txt", "one.txt", "sub/four.bin", "sub/three.txt"])
        self.leave()

    def test_a_flipped_ciphertext_bit_fails_its_entry_by_the_authentication_code(self):
        files = {"a.txt": text_bytes(63, 2000), "b.bin": noise_bytes(64, 70000), "c.txt": text_bytes(65, 2000)}
        archive = bytearray(self.sevenzip_aes(files, 256, "-mx=0"))
        b_header = [at for at in local_header_offsets(archive) if archive[at + 30:at + 35] == b"b.bin"][0]
        archive[data_offset(archive, b_header) + 18 + 50000] ^= 0x01  # read ahead, behind salt and verifier
        self.start(bytes(archive))
        out = self.dir / "out"
        self.extract_to(out)
        self.drive("password", PASSWORD)
        self.expect_failure()
        self.assertEqual(self.selected(), ["b.bin"])
        self.assertFiles(out, {"a.txt": files["a.txt"], "c.txt": files["c.txt"]})
        self.assertTreeIs(out, ["a.txt", "c.txt"])  # neither b.bin nor its temporary file
        self.leave()


class UndecryptableEntries(SfxTest):
    def test_method_99_without_its_aes_field_is_refused_before_any_password_is_asked(self):
        archive = bytearray(self.encrypted_zip({"a.txt": text_bytes(46, 800), "b.txt": b"b\n"}))
        struct.pack_into("<H", archive, 8, 99)  # the first local header's method: AES
        self.start(bytes(archive))
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_message("Unable to extract...", "Unsupported encryption method")
        self.expect_nothing_more()
        self.assertFalse(out.exists() and any(out.iterdir()), "something was written")
        self.assertEqual(self.selected(), ["a.txt", "b.txt"])
        self.leave()


class DeviceNames(SfxTest):
    def test_reserved_device_names_are_refused_and_the_run_goes_on(self):
        # Info-ZIP keeps a name's bytes, so the superscript digits stay the single Windows-1252
        # bytes B9, B2 and B3 (written here through Python's surrogate escapes).
        devices = ["COM0", "lpt0.txt", "CONIN$", "conout$.log", "COM\udcb9", "com\udcb2.txt",
                   "LPT\udcb3 .log", "LPT\udcb9.tar.gz"]
        files = {name: b"device\n" for name in devices}
        files["good.txt"] = b"good\n"
        self.start(self.info_zip(files))
        shown = [os.fsencode(name).decode("cp1252") for name in devices]
        out = self.dir / "out"
        self.extract_to(out)
        for name in shown:
            self.expect_message("Unsafe path...", name)
        self.expect_message("Failure", "The hi-lighted file(s) failed CRC validation")
        self.assertTreeIs(out, ["good.txt"])
        self.assertEqual(sorted(self.selected()), sorted(shown))
        self.leave()


class KeyboardFocus(SfxTest):
    """Extract and "Use Stored Paths" are disabled while a scan runs; the keyboard must still
    reach the dialog afterwards."""

    def expect_focus(self, control):
        """Keys are posted, so the focus may move a moment after the key was sent."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.drive("focus") == [str(control)]:
                return
        self.assertEqual(self.drive("focus"), [str(control)])

    def test_use_stored_paths_keeps_the_keyboard_focus_after_its_click_relists(self):
        self.start(self.info_zip(NESTED))
        self.pointer_click(STORED_PATHS)
        self.wait_for_listing(["guide.txt", "logo.bin", "readme.txt", "run.txt"])
        self.expect_focus(STORED_PATHS)
        self.drive("key", "space")              # checks it again: the stored paths come back
        self.wait_for_listing(sorted(NESTED))
        self.assertTrue(self.checked(STORED_PATHS))
        self.expect_focus(STORED_PATHS)
        self.drive("key", "tab")
        self.expect_focus(FILE_LIST)
        self.drive("key", "escape")
        self.expect_exit_code_0()

    def test_extract_keeps_the_keyboard_focus_after_its_run(self):
        self.start(self.info_zip(FLAT))
        self.drive("set-text", PATH_FIELD, wine_path(self.dir / "out"))
        self.pointer_click(EXTRACT)
        self.expect_success()
        self.expect_focus(EXTRACT)
        self.drive("key", "escape")
        self.expect_exit_code_0()

    def test_focus_on_a_check_box_ruled_out_by_the_run_passes_to_the_file_list(self):
        # Three wrong passwords at the first entry, which has no folder: the run meets no stored
        # path, so it unchecks and disables "Use Stored Paths" for good.
        self.start(self.encrypted_zip({"a.txt": text_bytes(16, 500), "docs/b.txt": b"b\n"}))
        self.pointer_click(STORED_PATHS)
        self.wait_for_listing(["a.txt", "b.txt"])
        self.pointer_click(STORED_PATHS)
        self.wait_for_listing(["a.txt", "docs/b.txt"])
        self.expect_focus(STORED_PATHS)
        self.drive("key", "enter")              # Extract, the dialog's OK command
        for wrong in WRONG_PASSWORDS:
            self.drive("password", wrong)
        self.expect_nothing_more()
        self.assertFalse(self.enabled(STORED_PATHS))
        self.expect_focus(FILE_LIST)
        self.drive("key", "escape")
        self.expect_exit_code_0()


# Names in several scripts, one in a folder, and an extract path beyond ASCII too.
INTERNATIONAL = {
    "Übersicht.txt": text_bytes(40, 3000),
    "café/menü.txt": text_bytes(41, 500),
    "日本語.txt": noise_bytes(42, 2000),
    "Загрузки/отчёт.txt": text_bytes(43, 800),
    "Ελληνικά.txt": b"",
}
INTERNATIONAL_PASSWORD = "pässwort"


class InternationalNames(SfxTest):
    """The same names from every common writer: the list shows them as they are and the files
    land under them, byte for byte."""

    def expect_true_names_extracted(self, folders=()):
        listed = [*INTERNATIONAL, *folders]
        self.assertEqual(sorted(self.listing()), sorted((name, True) for name in listed))
        out = self.dir / "out" / "Jörg" / "Загрузки"
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, INTERNATIONAL)
        self.assertTreeIs(out, [*INTERNATIONAL, "café", "Загрузки"])
        self.assertEqual(self.selected(), [])
        self.leave()

    def test_python_zipfile_names_with_the_utf8_flag(self):
        self.start(self.python_zip(INTERNATIONAL.items()))
        self.expect_true_names_extracted()

    def test_info_zip_names_in_utf8_without_the_flag(self):
        archive = self.info_zip(INTERNATIONAL)
        with zipfile.ZipFile(self.dir / "archive.zip") as zf:
            self.assertEqual({i.flag_bits & 0x800 for i in zf.infolist()}, {0})
        self.start(archive)
        self.expect_true_names_extracted()

    def test_7z_names(self):
        src = self.tree(INTERNATIONAL)
        subprocess.run(["7z", "a", "-tzip", str(self.dir / "archive.zip"), *INTERNATIONAL], cwd=src,
                       check=True, capture_output=True)
        self.start((self.dir / "archive.zip").read_bytes())
        self.expect_true_names_extracted()

    def test_mksfx_names(self):
        exe = self.dir / "made.exe"
        self.mksfx(self.tree(INTERNATIONAL), exe)
        self.launch(exe)
        self.expect_true_names_extracted(folders=["café/", "Загрузки/"])

    def test_a_unicode_path_field_names_an_entry_while_its_crc_matches_the_header_name(self):
        archive = ROOT / "tests/data/unicode_path.zip"
        with zipfile.ZipFile(archive) as zf:  # zipfile ignores the field: its names are the stand-ins
            contents = [zf.read(info) for info in zf.infolist()]
        files = dict(zip(["File 2 - ö.txt", "docs/Файл 3.txt", "stale.txt", "version2.txt"], contents))
        self.start(archive.read_bytes())
        self.assertEqual(sorted(self.names()), sorted(files))
        self.expect_whole_extraction(files)
        self.leave()

    def test_a_legacy_name_reads_in_the_ansi_code_page(self):
        raw = b"caf\xe9 cr\xe8me.txt"  # Latin-1 bytes, which are no UTF-8
        src = self.dir / "src"
        src.mkdir()
        with open(os.fsencode(src) + b"/" + raw, "wb") as f:
            f.write(b"legacy\n")
        subprocess.run([b"zip", b"-q", b"-X", os.fsencode(self.dir / "archive.zip"), raw], cwd=src, check=True)
        expected = raw.decode("cp" + self.drive("acp")[0])
        self.start((self.dir / "archive.zip").read_bytes())
        self.assertEqual(self.listing(), [(expected, True)])
        out = self.dir / "out"
        self.extract_to(out)
        self.expect_success()
        self.assertFiles(out, {expected: b"legacy\n"})
        self.leave()

    def test_a_password_beyond_ascii_typed_in_the_prompt_opens_a_utf8_encrypted_entry(self):
        self.info_zip(INTERNATIONAL, "-P", INTERNATIONAL_PASSWORD)
        self.start((self.dir / "archive.zip").read_bytes())
        out = self.dir / "out"
        self.extract_to(out)
        self.drive("password", INTERNATIONAL_PASSWORD)
        self.expect_success()
        self.assertFiles(out, INTERNATIONAL)
        self.leave()

    def test_look_alikes_of_dots_slashes_and_devices_stay_inside_the_extract_path(self):
        names = ["．．／evil.txt", "..∕evil.txt", "sub＼..＼..＼up.txt", "..¥yen.txt", "ＣＯＮ.txt",
                 "ｎｕｌ", "ok.txt"]
        self.start(self.python_zip([(name, name.encode()) for name in names]))
        out = self.dir / "out" / "inner"
        self.extract_to(out)
        self.expect_success()
        self.assertTreeIs(self.dir / "out", ["inner", *("inner/" + name for name in names)])
        self.assertFiles(out, {name: name.encode() for name in names})
        self.assertFalse(list(self.dir.glob("evil*")) + list(self.dir.glob("up*")) + list(self.dir.glob("yen*")))
        self.leave()


class SignedExe(SfxTest):
    """A signature is appended behind the archive's end record; the stub's walk from its own
    image size on never reaches it."""

    def test_a_signed_exe_lists_and_extracts_byte_for_byte(self):
        made, signed = self.dir / "made.exe", self.dir / "signed.exe"
        self.mksfx(self.tree(NESTED), made)
        _, report = pe_checks.verify(str(made), "/dev/null")
        self.assertTrue(pe_checks.checksum_is_right(str(made), report), report)
        ca, p12 = pe_checks.make_signing_certificate(str(self.dir / "certificates"))
        subprocess.run(["osslsigncode", "sign", "-pkcs12", p12, "-readpass", "/dev/stdin", "-h", "sha256",
                        "-in", str(made), "-out", str(signed)], input=pe_checks.PASSWORD.encode(),
                       check=True, capture_output=True)
        _, report = pe_checks.verify(str(signed), ca)
        self.assertIn("Signature verification: ok", report)
        self.assertTrue(pe_checks.checksum_is_right(str(signed), report), report)
        self.launch(signed)
        self.assertEqual(self.listing(), [(name, True) for name in
                                          sorted([*NESTED, "docs/", "docs/img/", "tools/"])])
        self.expect_whole_extraction(NESTED)
        self.leave()

    def test_the_windows_mksfx_refuses_to_sign_and_writes_nothing(self):
        # It cannot run osslsigncode; the README says to sign its output afterwards.
        src, exe = self.tree(NESTED), self.dir / "made.exe"
        bitness = ["--64"] if is_64_bit(STUB) else []  # the stub under test, as mksfx() picks it
        done = subprocess.run([str(WINE_RUN), str(MKSFX), "-q", *bitness, "--sign", "publisher.p12", "-o", wine_path(exe), "."],
                              cwd=src, capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 7, done.stderr)
        self.assertIn("cannot sign", done.stderr)
        self.assertFalse(exe.exists())


class Leaving(SfxTest):
    def test_exit_button_ends_with_code_0(self):
        self.start(self.info_zip(FLAT))
        self.drive("click", EXIT)
        self.expect_exit_code_0()

    def test_escape_ends_with_code_0(self):
        self.start(self.info_zip(FLAT))
        self.drive("key", "escape")
        self.expect_exit_code_0()

    def test_close_box_ends_with_code_0(self):
        self.start(self.info_zip(FLAT))
        self.drive("close")
        self.expect_exit_code_0()


class NestedRuns(SfxTest):
    FILES = {"a.txt": text_bytes(14, 3000), "docs/b.txt": text_bytes(15, 3000)}

    def press_extract_and_stored_paths(self):
        # What a user can do: click both with the mouse...
        self.pointer_click(EXTRACT)
        self.pointer_click(STORED_PATHS)
        # ...and what a message dispatched inside the run can deliver whatever the buttons'
        # state: their commands.
        self.drive("command", EXTRACT)
        self.drive("command", STORED_PATHS)
        self.expect_no_second_dialog()
        self.assertTrue(self.checked(STORED_PATHS))

    def expect_no_second_dialog(self):
        ok, data, reply = driver("no-message-box", QUIET_MS)
        if not ok:
            self.fail(reply)
        windows = self.drive("windows")
        self.assertEqual(len(windows), 2, f"expected the main dialog and one question: {windows}")

    def expect_one_clean_run(self, out):
        self.expect_success()
        self.expect_nothing_more()
        self.assertFiles(out, self.FILES)
        self.assertEqual(self.listing(), [("a.txt", False), ("docs/b.txt", False)])
        self.assertTrue(self.checked(STORED_PATHS))
        self.assertTrue(self.enabled(STORED_PATHS))
        self.assertTrue(self.enabled(EXTRACT))

    def test_extract_and_stored_paths_during_the_password_prompt_start_nothing(self):
        self.start(self.encrypted_zip(self.FILES))
        out = self.dir / "out"
        self.extract_to(out)
        self.drive("wait", PASSWORD_PROMPT)
        self.press_extract_and_stored_paths()
        self.drive("password", PASSWORD)
        self.expect_one_clean_run(out)
        self.leave()

    def test_extract_and_stored_paths_during_the_overwrite_question_start_nothing(self):
        out = self.dir / "out"
        out.mkdir()
        (out / "a.txt").write_bytes(b"old")
        self.start(self.info_zip(self.FILES))
        self.extract_to(out)
        self.drive("wait", OVERWRITE_QUESTION)
        self.press_extract_and_stored_paths()
        self.drive("overwrite", "yes")
        self.expect_one_clean_run(out)
        self.leave()


SWITCHES_CAPTION = "Switches..."
SWITCHES_HELP = [
    "Switches, with / or - in front, in any case:",
    "/S\tsilent: no dialog; every entry is extracted with its stored path",
    "/D=FOLDER\tthe folder to extract into (made if missing)",
    "/O\toverwrite existing files",
    "/N\tskip existing files (with /S and neither, an existing file fails its entry)",
    "/P=PASSWORD\twith /S: the password for encrypted entries",
    "/L=FILE\twith /S: a log in UTF-8, one line per entry and the verdict",
    "/?\tthis text",
    "",
    "Exit codes:",
    "0\tevery entry verified, or skipped on request",
    "1\tan entry failed",
    "2\tbad switches, no archive, or a damaged archive",
    "3\tthe password was refused",
]
VERDICTS = {
    0: "exit code 0: every entry verified, or skipped on request",
    1: "exit code 1: an entry failed",
    2: "exit code 2: bad switches, no archive, or a damaged archive",
    3: "exit code 3: the password was refused",
}


class UnattendedRuns(SfxTest):
    """The program run by a script: with /S no window ever shows (a message box would wait for
    ever, and the run would not end), and the exit code and the log say what happened."""
    FILES = {"readme.txt": text_bytes(40, 3000), "docs/guide.txt": text_bytes(41, 20000),
             "docs/logo.bin": noise_bytes(42, 5000)}

    def exe(self, archive):
        exe = self.dir / "setup.exe"
        exe.write_bytes(STUB.read_bytes() + archive)
        return exe

    def run_silently(self, exe, *switches):
        """Runs the program to its end and returns its exit code."""
        try:
            done = subprocess.run([str(WINE_RUN), str(exe), *switches], cwd=self.dir, capture_output=True,
                                  timeout=EXIT_SECONDS * 4)
        except subprocess.TimeoutExpired:
            self.fail(f"the silent run did not end: {driver('windows')[1]}")
        return done.returncode

    def log(self):
        return (self.dir / "run.log").read_bytes().decode("utf-8").split("\r\n")

    def log_switch(self):
        return "/L=" + wine_path(self.dir / "run.log")

    def existing(self, out, name, data=b"old"):
        (out / name).parent.mkdir(parents=True, exist_ok=True)
        (out / name).write_bytes(data)

    def test_s_extracts_every_entry_with_its_stored_path_into_the_d_folder_made_if_missing_and_exits_0(self):
        exe, out = self.exe(self.info_zip(self.FILES)), self.dir / "new" / "out"
        self.assertEqual(self.run_silently(exe, "/S", "/D=" + wine_path(out), self.log_switch()), 0)
        self.assertFiles(out, self.FILES)
        self.assertEqual(self.log(), ["extracted: docs/guide.txt", "extracted: docs/logo.bin", "extracted: readme.txt",
                                      VERDICTS[0], ""])

    def test_the_switches_take_a_dash_and_either_case(self):
        exe, out = self.exe(self.info_zip(self.FILES)), self.dir / "out"
        self.assertEqual(self.run_silently(exe, "-s", "-d=" + wine_path(out)), 0)
        self.assertFiles(out, self.FILES)

    def test_without_d_the_files_go_into_the_current_folder(self):
        exe = self.exe(self.info_zip(self.FILES))
        self.assertEqual(self.run_silently(exe, "/S"), 0)
        self.assertFiles(self.dir, self.FILES)

    def test_a_quoted_d_with_spaces_and_letters_beyond_ascii_is_taken_whole(self):
        exe, out = self.exe(self.info_zip(self.FILES)), self.dir / "Program Files" / "\u00c9t\u00e9 \u65e5\u672c"
        # subprocess quotes the word for Wine, which gives it to the program as one argument.
        self.assertEqual(self.run_silently(exe, "/S", "/D=" + wine_path(out)), 0)
        self.assertFiles(out, self.FILES)

    def test_o_overwrites_an_existing_file_and_exits_0(self):
        exe, out = self.exe(self.info_zip(self.FILES)), self.dir / "out"
        self.existing(out, "readme.txt")
        self.assertEqual(self.run_silently(exe, "/S", "/O", "/D=" + wine_path(out), self.log_switch()), 0)
        self.assertFiles(out, self.FILES)
        self.assertIn("extracted: readme.txt", self.log())

    def test_n_leaves_an_existing_file_logs_it_skipped_and_exits_0(self):
        exe, out = self.exe(self.info_zip(self.FILES)), self.dir / "out"
        self.existing(out, "readme.txt")
        self.assertEqual(self.run_silently(exe, "/S", "/N", "/D=" + wine_path(out), self.log_switch()), 0)
        self.assertEqual((out / "readme.txt").read_bytes(), b"old")
        self.assertFiles(out, {k: v for k, v in self.FILES.items() if k != "readme.txt"})
        self.assertIn("skipped: readme.txt (a file of its name exists)", self.log())
        self.assertEqual(self.log()[-2], VERDICTS[0])

    def test_with_neither_an_existing_file_fails_its_entry_stays_as_it_was_and_exits_1(self):
        exe, out = self.exe(self.info_zip(self.FILES)), self.dir / "out"
        self.existing(out, "readme.txt")
        self.assertEqual(self.run_silently(exe, "/S", "/D=" + wine_path(out), self.log_switch()), 1)
        self.assertEqual((out / "readme.txt").read_bytes(), b"old")
        self.assertFiles(out, {k: v for k, v in self.FILES.items() if k != "readme.txt"})
        self.assertIn("failed: readme.txt (a file of its name exists, and neither /O nor /N was given)", self.log())
        self.assertEqual(self.log()[-2], VERDICTS[1])

    def test_p_with_the_right_password_extracts_the_encrypted_entries(self):
        exe, out = self.exe(self.encrypted_zip(self.FILES)), self.dir / "out"
        self.assertEqual(self.run_silently(exe, "/S", "/P=" + PASSWORD, "/D=" + wine_path(out)), 0)
        self.assertFiles(out, self.FILES)

    def test_a_wrong_password_exits_3_and_writes_nothing_encrypted(self):
        exe, out = self.exe(self.encrypted_zip(self.FILES)), self.dir / "out"
        self.assertEqual(self.run_silently(exe, "/S", "/P=" + WRONG_PASSWORDS[0], "/D=" + wine_path(out),
                                           self.log_switch()), 3)
        self.assertEqual([p for p in out.rglob("*") if p.is_file()] if out.exists() else [], [])
        self.assertIn("the password was refused three times; the run ended there", self.log())
        self.assertEqual(self.log()[-2], VERDICTS[3])

    def test_without_a_password_an_encrypted_archive_exits_3_and_writes_nothing(self):
        exe, out = self.exe(self.encrypted_zip(self.FILES)), self.dir / "out"
        self.assertEqual(self.run_silently(exe, "/S", "/D=" + wine_path(out)), 3)
        self.assertEqual([p for p in out.rglob("*") if p.is_file()] if out.exists() else [], [])

    def test_a_damaged_archive_exits_2_after_the_entries_in_front_of_the_damage(self):
        archive = bytearray(self.python_zip([("a.txt", b"a" * 100), ("b.txt", b"b" * 100)], zipfile.ZIP_STORED))
        second = local_header_offsets(archive)[1]
        exe, out = self.exe(bytes(archive[:second]) + b"junk" + bytes(archive[second:])), self.dir / "out"
        self.assertEqual(self.run_silently(exe, "/S", "/D=" + wine_path(out), self.log_switch()), 2)
        self.assertEqual((out / "a.txt").read_bytes(), b"a" * 100)
        self.assertTrue(self.log()[0].startswith("Archive error.. The archive is damaged at offset "), self.log())
        self.assertEqual(self.log()[-2], VERDICTS[2])

    def test_a_program_without_an_archive_exits_2(self):
        self.assertEqual(self.run_silently(self.exe(b""), "/S", self.log_switch()), 2)
        self.assertEqual(self.log()[-2], VERDICTS[2])

    def test_an_unknown_switch_in_a_silent_run_shows_nothing_exits_2_and_the_log_names_it(self):
        exe, out = self.exe(self.info_zip(self.FILES)), self.dir / "out"
        self.assertEqual(self.run_silently(exe, "/S", "/X", "/D=" + wine_path(out), self.log_switch()), 2)
        self.assertEqual(self.log(), ["/X: unknown switch", VERDICTS[2], ""])
        self.assertFalse(out.exists())

    def test_question_mark_shows_the_switches_and_the_exit_codes_and_exits_0(self):
        self.launch(self.exe(self.info_zip(self.FILES)), wait_for_main=False, arguments=["/?"])
        self.assertEqual(self.drive("message-box", STARTUP_MS), [SWITCHES_CAPTION, *SWITCHES_HELP])
        self.expect_exit_code(0)

    def test_an_unknown_switch_shows_the_switches_with_a_line_naming_it_and_exits_2(self):
        self.launch(self.exe(self.info_zip(self.FILES)), wait_for_main=False, arguments=["/Q"])
        self.assertEqual(self.drive("message-box", STARTUP_MS), [SWITCHES_CAPTION, "/Q: unknown switch", "", *SWITCHES_HELP])
        self.expect_exit_code(2)

    def test_a_switch_without_its_value_is_refused_by_its_letter(self):
        self.launch(self.exe(self.info_zip(self.FILES)), wait_for_main=False, arguments=["/D"])
        self.assertEqual(self.drive("message-box", STARTUP_MS)[:2], [SWITCHES_CAPTION, "/D: needs =FOLDER"])
        self.expect_exit_code(2)

    def test_d_without_s_opens_the_dialog_with_the_folder_in_the_extract_path_field(self):
        out = self.dir / "chosen folder \u00e9"
        self.launch(self.exe(self.info_zip(self.FILES)), arguments=["/D=" + wine_path(out)])
        self.assertEqual(self.text(PATH_FIELD), wine_path(out))
        self.drive("click", EXTRACT)
        self.expect_success()
        self.assertFiles(out, self.FILES)
        self.leave()

    def test_o_or_n_without_s_sets_the_dialogs_overwrite_choice(self):
        for switch, button in (("/O", POLICY_OVERWRITE), ("/N", POLICY_SKIP)):
            self.launch(self.exe(self.info_zip(self.FILES)), arguments=[switch])
            self.assertTrue(self.checked(button), switch)
            self.assertFalse(self.checked(POLICY_CONFIRM), switch)
            self.leave()


class PresetsOfThePublisher(SfxTest):
    """mksfx --title and --path: the dialog opens under the publisher's caption on its folder;
    a switch given at run time wins."""
    FILES = {"readme.txt": text_bytes(50, 2000), "bin/tool.bin": noise_bytes(51, 3000)}
    # The Windows mksfx takes its arguments in the ANSI code page, so its titles here are ASCII;
    # a title beyond ASCII is written into the block as the native mksfx writes it.
    TITLE = "Quorvane Setup 2.1"

    def made(self, *options):
        exe = self.dir / "setup.exe"
        bitness = ["--64"] if is_64_bit(STUB) else []
        done = subprocess.run([str(WINE_RUN), str(MKSFX), "-q", *bitness, *options, "-o", wine_path(exe), "."],
                              cwd=self.tree(self.FILES), capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        return exe

    def test_the_title_is_the_caption_and_the_path_with_a_variable_is_expanded_in_the_field(self):
        target = self.dir / "profile"
        os.environ["KVXPRESETHOME"] = wine_path(target)
        try:
            exe = self.made("--title", self.TITLE, "--path", "%KVXPRESETHOME%\\Quorvane")
            self.launch(exe, caption=self.TITLE)
        finally:
            del os.environ["KVXPRESETHOME"]
        self.assertEqual(self.text(PATH_FIELD), wine_path(target) + "\\Quorvane")
        self.drive("click", EXTRACT)
        self.expect_success()
        self.assertFiles(target / "Quorvane", self.FILES)
        self.leave()

    def with_presets(self, title, folder):
        """The stub under test with the presets written into its block as mksfx writes them
        (format.h: the marker, the version, then the title and the folder fields), and an
        archive behind it."""
        text = (ROOT / "extract" / "format.h").read_text()
        marker = re.search(r'PresetMarker\[\]\s*=\s*"([^"]*)"', text).group(1).encode() + b"\0"
        version = int(re.search(r"PresetVersion\s*=\s*(\d+)", text).group(1))
        title_size = int(re.search(r"PresetTitleCharacters\s*=\s*(\d+)", text).group(1)) * 3 + 1
        stub = bytearray(STUB.read_bytes())
        at = stub.index(marker + struct.pack("<I", version)) + len(marker) + 4
        stub[at:at + len(title.encode())] = title.encode()
        stub[at + title_size:at + title_size + len(folder.encode())] = folder.encode()
        exe = self.dir / "setup.exe"
        exe.write_bytes(bytes(stub) + self.info_zip(self.FILES))
        return exe

    def test_a_title_and_a_folder_beyond_ascii_show_as_written(self):
        title, folder = "Quorvane \u00e9\u65e5\u672c \u0395\u03bb\u03bb\u03ac\u03b4\u03b1", "C:\\Programme\\\u00dcbersicht"
        self.launch(self.with_presets(title, folder), caption=title)
        self.assertEqual(self.text(PATH_FIELD), folder)
        self.leave()

    def test_temp_expands_as_windows_sets_it(self):
        exe = self.made("--path", "%TEMP%\\Quorvane")
        self.launch(exe)
        field = self.text(PATH_FIELD)
        self.assertTrue(field.endswith("\\Quorvane") and "%" not in field and ":\\" in field, field)
        self.leave()

    def test_a_path_whose_variable_is_not_set_falls_back_to_the_current_folder_and_says_so(self):
        exe = self.made("--path", "%KVXNOSUCHVARIABLE%\\Quorvane")
        self.launch(exe)
        self.assertEqual(self.text(PATH_FIELD), wine_path(self.dir))
        self.assertEqual(self.text(STATUS_LINE), "The preset folder could not be expanded; the current folder is "
                                                 "used instead: " + wine_path(self.dir))
        self.leave()

    def test_d_at_run_time_wins_over_the_preset_path(self):
        exe = self.made("--title", self.TITLE, "--path", "C:\\Preset")
        out = self.dir / "out"
        self.launch(exe, caption=self.TITLE, arguments=["/D=" + wine_path(out)])
        self.assertEqual(self.text(PATH_FIELD), wine_path(out))
        self.leave()

    def test_a_silent_run_extracts_into_the_preset_folder_unless_d_says_otherwise(self):
        preset, out = self.dir / "preset", self.dir / "out"
        exe = self.made("--path", wine_path(preset))
        done = subprocess.run([str(WINE_RUN), str(exe), "/S"], cwd=self.dir, timeout=EXIT_SECONDS * 4)
        self.assertEqual(done.returncode, 0)
        self.assertFiles(preset, self.FILES)
        done = subprocess.run([str(WINE_RUN), str(exe), "/S", "/D=" + wine_path(out)], cwd=self.dir,
                              timeout=EXIT_SECONDS * 4)
        self.assertEqual(done.returncode, 0)
        self.assertFiles(out, self.FILES)

    def test_an_exe_signed_after_its_presets_were_written_verifies_and_shows_them(self):
        made, signed = self.made("--title", self.TITLE, "--path", "C:\\Quorvane"), self.dir / "signed.exe"
        ca, p12 = pe_checks.make_signing_certificate(str(self.dir / "certificates"))
        subprocess.run(["osslsigncode", "sign", "-pkcs12", p12, "-readpass", "/dev/stdin", "-h", "sha256",
                        "-in", str(made), "-out", str(signed)], input=pe_checks.PASSWORD.encode(),
                       check=True, capture_output=True)
        _, report = pe_checks.verify(str(signed), ca)
        self.assertIn("Signature verification: ok", report)
        self.assertTrue(pe_checks.checksum_is_right(str(signed), report), report)
        self.launch(signed, caption=self.TITLE)
        self.assertEqual(self.text(PATH_FIELD), "C:\\Quorvane")
        self.leave()


class Smoke(SfxTest):
    """One run through every kind of entry; it is also the check of the 32-bit stub on machines
    that run it only under an emulator (scripts/smoke-32bit.sh)."""
    PLAIN = {"stored/noise.bin": noise_bytes(30, 40000), "deflated.txt": text_bytes(31, 70000)}
    SECRET = {"secret/noise.bin": noise_bytes(32, 3000), "secret/text.txt": text_bytes(33, 9000)}

    def test_lists_and_extracts_stored_deflated_and_encrypted_entries(self):
        self.info_zip(self.PLAIN, "-n", ".bin")  # .bin stored, the rest deflated
        self.tree(self.SECRET)  # zip adds these, encrypted, to the same archive
        subprocess.run(["zip", "-q", "-X", "-P", PASSWORD, str(self.dir / "archive.zip"), *self.SECRET],
                       cwd=self.dir / "src", check=True)
        with zipfile.ZipFile(self.dir / "archive.zip") as zf:
            methods = {i.filename: (i.compress_type, i.flag_bits & 1) for i in zf.infolist()}
        self.assertEqual(methods["stored/noise.bin"], (zipfile.ZIP_STORED, 0))
        self.assertEqual(methods["deflated.txt"], (zipfile.ZIP_DEFLATED, 0))
        self.assertEqual({methods[n][1] for n in self.SECRET}, {1})
        self.start((self.dir / "archive.zip").read_bytes())
        everything = {**self.PLAIN, **self.SECRET}
        self.assertEqual(self.listing(), [(name, True) for name in sorted(everything)])
        out = self.dir / "out"
        self.extract_to(out)
        self.drive("wait", PASSWORD_PROMPT, STARTUP_MS)
        self.drive("password", PASSWORD)
        self.expect_success()
        self.assertFiles(out, everything)
        self.assertTreeIs(out, ["deflated.txt", "secret", "secret/noise.bin", "secret/text.txt",
                                "stored", "stored/noise.bin"])
        self.leave()


if __name__ == "__main__":
    unittest.main(verbosity=2, buffer=False)
