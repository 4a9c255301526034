#!/usr/bin/env python3
"""The unsfx command on archives written by Info-ZIP zip and Python's zipfile.

Run by CTest one case at a time:  cli_test.py --unsfx PATH --archive-base N Class.test_name
--names prints the cases.
"""
import argparse
import os
import pty
import select
import termios
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import warnings
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tests", "support"))
import sparse_archive  # noqa: E402  (found through the line above)

UNSFX = None
FIXTURES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tests", "data"))
ARCHIVE_BASE = None

# Exit codes, as `unsfx --help` documents them.
ALL_FINE, ENTRY_FAILED, BAD_ARCHIVE, WRONG_PASSWORD = 0, 1, 2, 3

TREE = {
    "readme.txt": b"read me first\n" * 100,
    "docs/guide.txt": b"".join(b"line %d of the guide\n" % i for i in range(3000)),
    "docs/deep/notes.txt": b"short",
    "photo.bin": random.Random(7).randbytes(70000),
    "empty.txt": b"",
}


def write_tree(root, tree):
    for name, data in tree.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def files_below(root):
    """Every file below root as {relative name: bytes}, and every directory."""
    files, dirs = {}, set()
    for here, subdirs, names in os.walk(root):
        for d in subdirs:
            dirs.add(os.path.relpath(os.path.join(here, d), root))
        for n in names:
            path = os.path.join(here, n)
            with open(path, "rb") as f:
                files[os.path.relpath(path, root)] = f.read()
    return files, dirs


class UnsfxCase(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="unsfx-cli-")
        self.src = os.path.join(self.work, "src")
        write_tree(self.src, TREE)

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def infozip(self, name, *options, members=("readme.txt", "docs", "photo.bin", "empty.txt")):
        archive = self.path(name)
        subprocess.run(["zip", "-q", "-r", *options, archive, *members], cwd=self.src, check=True)
        return archive

    def pyzip(self, name, entries, method=zipfile.ZIP_DEFLATED):
        archive = self.path(name)
        with zipfile.ZipFile(archive, "w", method) as z:
            for entry, data in entries:
                z.writestr(entry, data)
        return archive

    def fake_program(self, archive):
        """A stand-in for the stub: ArchiveBase bytes without any ZIP signature, then the archive."""
        program = self.path("setup.exe")
        image = (b"MZ" + bytes(range(256)) * (ARCHIVE_BASE // 256 + 1))[:ARCHIVE_BASE]
        with open(program, "wb") as out, open(archive, "rb") as zip_bytes:
            out.write(image + zip_bytes.read())
        return program

    def unsfx(self, *args, cwd=None):
        return subprocess.run([UNSFX, *args], cwd=cwd or self.work, capture_output=True,
                              stdin=subprocess.DEVNULL, timeout=120)

    def extract(self, archive, *options, into="out"):
        target = self.path(into)
        return self.unsfx("extract", archive, "-d", target, *options), target

    def assertExit(self, result, code):
        self.assertEqual(result.returncode, code,
                         "stdout: %r\nstderr: %r" % (result.stdout[-2000:], result.stderr[-2000:]))

    def assertTreeExtracted(self, target, tree=TREE):
        files, _ = files_below(target)
        self.assertEqual(files, tree)


class Listing(UnsfxCase):
    def test_lists_names_in_archive_order_one_per_line(self):
        archive = self.infozip("dirs.zip")
        result = self.unsfx("list", archive)
        self.assertExit(result, ALL_FINE)
        expected = zipfile.ZipFile(archive).namelist()
        self.assertIn("docs/", expected)
        self.assertEqual(result.stdout.decode().splitlines(), expected)

    def test_junk_paths_lists_file_names_and_drops_directory_entries(self):
        archive = self.infozip("dirs.zip")
        result = self.unsfx("list", archive, "-j")
        self.assertExit(result, ALL_FINE)
        expected = [n.rsplit("/", 1)[-1] for n in zipfile.ZipFile(archive).namelist()
                    if not n.endswith("/")]
        self.assertEqual(result.stdout.decode().splitlines(), expected)

    def test_lists_a_self_extracting_program(self):
        archive = self.infozip("dirs.zip")
        result = self.unsfx("list", self.fake_program(archive))
        self.assertExit(result, ALL_FINE)
        self.assertEqual(result.stdout.decode().splitlines(), zipfile.ZipFile(archive).namelist())

    def test_listing_an_encrypted_archive_needs_no_password(self):
        archive = self.infozip("enc.zip", "-P", "secret")
        result = self.unsfx("list", archive)
        self.assertExit(result, ALL_FINE)
        self.assertIn("docs/guide.txt", result.stdout.decode().splitlines())


class Extraction(UnsfxCase):
    def test_extracts_infozip_archive_with_stored_paths(self):
        result, target = self.extract(self.infozip("dirs.zip"))
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target)
        self.assertEqual(result.stderr.decode().splitlines()[-1], "Extraction successful")

    def test_extracts_a_self_extracting_program(self):
        result, target = self.extract(self.fake_program(self.infozip("dirs.zip")))
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target)

    def test_directory_entries_create_their_directories(self):
        archive = self.path("empty_dir.zip")
        os.makedirs(os.path.join(self.src, "void"))
        subprocess.run(["zip", "-q", "-r", archive, "void", "readme.txt"], cwd=self.src, check=True)
        result, target = self.extract(archive)
        self.assertExit(result, ALL_FINE)
        self.assertTrue(os.path.isdir(os.path.join(target, "void")))

    def test_junk_paths_writes_every_file_into_the_folder(self):
        result, target = self.extract(self.infozip("dirs.zip"), "-j")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {n.rsplit("/", 1)[-1]: d for n, d in TREE.items()})

    def test_extracts_python_zipfile_archives_stored_and_deflated(self):
        for method in (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED):
            archive = self.pyzip("py%d.zip" % method, TREE.items(), method)
            result, target = self.extract(archive, into="out%d" % method)
            self.assertExit(result, ALL_FINE)
            self.assertTreeExtracted(target)

    def test_a_folder_entry_again_behind_its_files_makes_the_same_folder(self):
        # Each twin is met by an item of its own; the second no longer finds the first's item
        # done and stays selected, a failure without a reason.
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # zipfile warns of the duplicate names it writes
            archive = self.pyzip("twice.zip", [("café/", b""), ("café/a.txt", b"a"), ("b.txt", b"b"),
                                               ("café/", b""), ("d/", b""), ("d/e/", b""), ("d/", b"")])
        result, target = self.extract(archive)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {"café/a.txt": b"a", "b.txt": b"b"})
        self.assertTrue(os.path.isdir(os.path.join(target, "d", "e")))

    def test_a_file_entry_again_apart_from_its_twin_takes_the_other_item(self):
        # The list holds a.txt twice; the second entry's search from b.txt comes round to the
        # item the first took, and goes on to the other. It then meets the first one's file:
        # written over with --overwrite, left alone without a terminal to ask. A.TXT is the
        # same item to the list; here, unlike on Windows, it is a file of its own.
        cases = [("a.txt", "--overwrite", {"a.txt": b"2"}), ("a.txt", "--ask", {"a.txt": b"1"}),
                 ("A.TXT", "--ask", {"a.txt": b"1", "A.TXT": b"2"})]
        for case, (again, option, files) in enumerate(cases):
            with warnings.catch_warnings():
                warnings.simplefilter("ignore")  # zipfile warns of the duplicate name it writes
                archive = self.pyzip("apart%d.zip" % case, [("a.txt", b"1"), ("b.txt", b"b"), (again, b"2")])
            with self.subTest(again=again, option=option):
                result, target = self.extract(archive, option, into="apart%d" % case)
                self.assertExit(result, ALL_FINE)
                self.assertNotIn(b"failed", result.stderr)
                self.assertTreeExtracted(target, dict(files, **{"b.txt": b"b"}))

    def test_a_folder_entry_again_in_other_letters_takes_the_twin_still_selected(self):
        # The list's search comes round to the twin the first entry took, in either order, and
        # a folder's name may end in either separator.
        cases = [(sep, pair) for sep in "/\\" for pair in (("café", "cAfé"), ("cAfé", "café"))]
        for case, (sep, (first, again)) in enumerate(cases):
            archive = self.pyzip("twins%d.zip" % case, [(first + sep, b""), (first + sep + "a.txt", b"a"),
                                                      (again + sep, b""), (first + sep + "b.txt", b"b")])
            result, target = self.extract(archive, into="twins%d" % case)
            self.assertExit(result, ALL_FINE)
            self.assertTreeExtracted(target, {first + "/a.txt": b"a", first + "/b.txt": b"b"})

    def test_creates_a_missing_extract_folder_and_its_parents(self):
        result, target = self.extract(self.pyzip("a.zip", [("a.txt", b"a")]), into="new/deeper")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {"a.txt": b"a"})

    def test_extracts_into_the_current_folder_without_a_folder_option(self):
        here = self.path("here")
        os.makedirs(here)
        result = self.unsfx("extract", self.infozip("dirs.zip"), cwd=here)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(here)

    def test_quiet_prints_nothing_when_all_is_fine(self):
        result, _ = self.extract(self.infozip("dirs.zip"), "-q")
        self.assertExit(result, ALL_FINE)
        self.assertEqual(result.stderr, b"")
        self.assertEqual(result.stdout, b"")


class Passwords(UnsfxCase):
    def test_extracts_infozip_encrypted_archive_with_the_password(self):
        result, target = self.extract(self.infozip("enc.zip", "-P", "secret"), "-P", "secret")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target)

    def test_encrypted_stored_entries_too(self):
        result, target = self.extract(self.infozip("enc0.zip", "-0", "-P", "secret"), "-P", "secret")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target)

    def test_wrong_password_ends_the_run_with_exit_code_3_and_writes_nothing(self):
        result, target = self.extract(self.infozip("enc.zip", "-P", "secret"), "-P", "wrong")
        self.assertExit(result, WRONG_PASSWORD)
        files, _ = files_below(target) if os.path.isdir(target) else ({}, set())
        self.assertEqual(files, {})
        self.assertIn(b"failed: readme.txt", result.stderr)
        # The entries behind the refused one were never reached, and each line says so.
        for name in (b"docs/guide.txt", b"photo.bin", b"empty.txt"):
            self.assertIn(b"unsfx: failed: " + name + b" (the run ended before its entry)\n", result.stderr)

    def test_no_password_and_no_terminal_is_a_wrong_password(self):
        result, _ = self.extract(self.infozip("enc.zip", "-P", "secret"))
        self.assertExit(result, WRONG_PASSWORD)

    def test_test_command_with_the_password(self):
        result = self.unsfx("test", self.infozip("enc.zip", "-P", "secret"), "-P", "secret")
        self.assertExit(result, ALL_FINE)


def traditional_check_passes(password, archive):
    """Whether the password's bytes pass the check of the archive's first entry (traditional
    encryption, flag bit 3 set, as zip -P writes it): the last of the twelve header bytes,
    decrypted, equals the high byte of the modification time."""
    def crc_step(crc, byte):
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ (0xEDB88320 if crc & 1 else 0)
        return crc
    keys = [0x12345678, 0x23456789, 0x34567890]
    def update(byte):
        keys[0] = crc_step(keys[0], byte)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = crc_step(keys[2], keys[1] >> 24)
    for byte in password:
        update(byte)
    with open(archive, "rb") as f:
        data = f.read()
    flags, mod_time = struct.unpack("<H2xH", data[6:12])
    name_length, extra_length = struct.unpack("<HH", data[26:30])
    header = data[30 + name_length + extra_length:][:12]
    plain = 0
    for byte in header:
        temp = (keys[2] | 2) & 0xFFFF
        plain = byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF)
        update(plain)
    return flags & 8 and plain == mod_time >> 8


class LegacyPasswordBytes(UnsfxCase):
    """A password beyond ASCII is tried in the legacy code page's bytes first, then in UTF-8.
    The check of a traditional header passes one wrong password in 256: the legacy bytes of a
    password written in UTF-8 may pass it, and the data then fails to verify. The UTF-8 bytes,
    which pass the check too, then get their turn."""

    def test_an_entry_whose_check_the_legacy_bytes_pass_as_well_verifies_with_the_utf8_ones(self):
        password = "pässwörd"
        for attempt in range(5000):  # one archive in 256 has such an entry
            archive = self.infozip("legacy%d.zip" % attempt, "-P", password, members=("readme.txt",))
            if traditional_check_passes(password.encode("cp1252"), archive):
                break
            os.remove(archive)
        else:
            self.fail("zip wrote no entry whose check both forms of the password pass")
        self.assertTrue(traditional_check_passes(password.encode(), archive))
        self.assertExit(self.unsfx("test", archive, "-P", password), ALL_FINE)
        result, target = self.extract(archive, "-P", password)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {"readme.txt": TREE["readme.txt"]})


class Testing(UnsfxCase):
    def test_test_checks_every_entry_and_writes_nothing(self):
        archive = self.infozip("dirs.zip")
        empty = self.path("cwd")
        os.makedirs(empty)
        result = self.unsfx("test", archive, cwd=empty)
        self.assertExit(result, ALL_FINE)
        self.assertEqual(os.listdir(empty), [])
        self.assertIn(b"Testing: docs/guide.txt", result.stderr)


def corrupt_entry(archive, name):
    """Flips a byte in the middle of the entry's data, leaving headers intact."""
    with zipfile.ZipFile(archive) as z:
        info = z.getinfo(name)
    with open(archive, "r+b") as f:
        f.seek(info.header_offset + 26)
        lengths = f.read(4)
        data = info.header_offset + 30 + int.from_bytes(lengths[:2], "little") + \
            int.from_bytes(lengths[2:], "little")
        f.seek(data + info.compress_size // 2)
        byte = f.read(1)
        f.seek(-1, 1)
        f.write(bytes([byte[0] ^ 0x55]))


class Failures(UnsfxCase):
    def test_crc_error_fails_that_entry_only(self):
        archive = self.pyzip("bad.zip", TREE.items(), zipfile.ZIP_STORED)
        corrupt_entry(archive, "docs/guide.txt")
        for command in ("test", "extract"):
            result = self.unsfx(command, archive, "-d", self.path("out")) if command == "extract" \
                else self.unsfx(command, archive)
            self.assertExit(result, ENTRY_FAILED)
            failed = [l for l in result.stderr.decode().splitlines() if l.startswith("unsfx: failed:")]
            self.assertEqual(failed, ["unsfx: failed: docs/guide.txt (its data does not match its CRC-32)"])
        files, _ = files_below(self.path("out"))
        self.assertEqual(files["readme.txt"], TREE["readme.txt"])
        self.assertNotIn("docs/guide.txt", files)

    def test_a_failed_entry_leaves_the_file_that_was_there_and_no_temporary_file(self):
        archive = self.pyzip("bad.zip", TREE.items(), zipfile.ZIP_STORED)
        corrupt_entry(archive, "docs/guide.txt")
        os.makedirs(self.path("out", "docs"))
        with open(self.path("out", "docs", "guide.txt"), "wb") as f:
            f.write(b"the good file that was there")
        result = self.unsfx("extract", "--overwrite", archive, "-d", self.path("out"))
        self.assertExit(result, ENTRY_FAILED)
        files, _ = files_below(self.path("out"))
        self.assertEqual(files["docs/guide.txt"], b"the good file that was there")
        self.assertEqual(sorted(files), sorted(TREE))

    def test_missing_file_is_a_bad_archive(self):
        result = self.unsfx("list", self.path("nothing.zip"))
        self.assertExit(result, BAD_ARCHIVE)
        self.assertIn(b"nothing.zip", result.stderr)
        self.assertEqual(result.stdout, b"")

    def test_a_file_without_entries_is_a_bad_archive(self):
        junk = self.path("junk.bin")
        with open(junk, "wb") as f:
            f.write(random.Random(3).randbytes(100000))
        for command in ("list", "test", "extract"):
            result = self.unsfx(command, junk)
            self.assertExit(result, BAD_ARCHIVE)
            self.assertIn(b"Can't read archive header", result.stderr)

    def test_unsafe_names_are_refused_and_the_run_goes_on(self):
        archive = self.pyzip("evil.zip", [("../evil.txt", b"x"), ("good.txt", b"g")])
        result, target = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        self.assertFalse(os.path.exists(self.path("evil.txt")))
        self.assertTreeExtracted(target, {"good.txt": b"g"})
        self.assertIn(b"Unsafe path... ../evil.txt", result.stderr)

    def test_an_unreadable_current_folder_is_refused_and_nothing_is_written(self):
        # Without -d the current folder is the extract path; this one is deleted before unsfx
        # starts in it. An empty prefix would put the entry at the root of the file system.
        probe = "kvxprobe-%d" % os.getpid()
        self.addCleanup(shutil.rmtree, os.path.join("/", probe), True)
        archive = self.pyzip("probe.zip", [(probe + "/p.txt", b"probe")])
        gone = self.path("gone")
        os.makedirs(gone)
        result = subprocess.run(
            ["sh", "-c", 'cd "$1" && rmdir "$1" && exec "$2" extract --overwrite "$3"', "sh", gone,
             UNSFX, archive], capture_output=True, stdin=subprocess.DEVNULL, timeout=120)
        self.assertExit(result, ENTRY_FAILED)
        self.assertIn(b"Can't read the current folder", result.stderr)
        self.assertFalse(os.path.exists(os.path.join("/", probe)))

    def test_reserved_device_names_are_refused_and_named(self):
        # Info-ZIP stores the names' bytes as they are, so the superscript digits stay the single
        # Windows-1252 bytes B9, B2 and B3.
        devices = [b"COM0", b"lpt0.txt", b"CONIN$", b"conout$.log", b"COM\xb9", b"com\xb2.txt",
                   b"LPT\xb3 .log", b"LPT\xb9.tar.gz"]
        src = self.path("devices")
        os.makedirs(src)
        for name in devices + [b"good.txt"]:
            with open(os.path.join(os.fsencode(src), name), "wb") as f:
                f.write(b"payload")
        archive = self.path("devices.zip")
        subprocess.run([b"zip", b"-q", os.fsencode(archive), *devices, b"good.txt"], cwd=src,
                       check=True)
        result, target = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        self.assertTreeExtracted(target, {"good.txt": b"payload"})
        for name in devices:
            shown = name.decode("cp1252").encode()  # a legacy name, shown in UTF-8
            self.assertIn(b"Unsafe path... " + shown + b"\n", result.stderr)
            self.assertIn(b"unsfx: failed: " + shown + b" (its name is unsafe)\n", result.stderr)

    def test_unsupported_method_stops_the_run_after_the_good_entries(self):
        archive = self.pyzip("mixed.zip", [("one.txt", b"1" * 100), ("two.txt", b"2" * 100)])
        with zipfile.ZipFile(archive, "a", zipfile.ZIP_BZIP2) as z:
            z.writestr("three.txt", b"3" * 100)
            z.writestr("four.txt", b"4" * 100, zipfile.ZIP_DEFLATED)
        result, target = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        self.assertTreeExtracted(target, {"one.txt": b"1" * 100, "two.txt": b"2" * 100})
        self.assertIn(b"Unsupported compression method", result.stderr)

    def test_usage_error_exits_with_2_and_help_with_0(self):
        self.assertExit(self.unsfx("unpack", "a.zip"), BAD_ARCHIVE)
        self.assertExit(self.unsfx("list"), BAD_ARCHIVE)
        result = self.unsfx("--help")
        self.assertExit(result, ALL_FINE)
        self.assertIn(b"Exit codes", result.stdout)


def patch_local_header(archive, name, offset, fmt, value):
    """Overwrites a field of the entry's local header; the central directory keeps the truth."""
    with zipfile.ZipFile(archive) as z:
        at = z.getinfo(name).header_offset
    with open(archive, "r+b") as f:
        f.seek(at + offset)
        f.write(struct.pack(fmt, value))


# Python's zipfile writing the named files to its standard output, a pipe it cannot seek in.
ZIPFILE_TO_STDOUT = """import sys, zipfile
with zipfile.ZipFile(sys.stdout.buffer, "w", int(sys.argv[1])) as z:
    for name in sys.argv[2:]:
        z.write(name)
"""


class StreamedArchives(UnsfxCase):
    """Writers that cannot seek back set flag bit 3, leave the sizes (and the CRC) out of the
    local header and write them into a data descriptor behind the data."""

    def through_a_pipe(self, name, command, stdin=None):
        archive = self.path(name)
        with open(archive, "wb") as out:
            writer = subprocess.Popen(command, cwd=self.src, stdin=stdin, stdout=subprocess.PIPE)
            subprocess.run(["cat"], stdin=writer.stdout, stdout=out, check=True)
            writer.stdout.close()
            self.assertEqual(writer.wait(), 0)
        return archive

    def zipfile_into_a_pipe(self, name, method, members):
        return self.through_a_pipe(name, [sys.executable, "-c", ZIPFILE_TO_STDOUT, str(method), *members])

    def assertListsAndExtractsEverything(self, archive, tree=TREE, *options):
        result = self.unsfx("list", archive)
        self.assertExit(result, ALL_FINE)
        self.assertEqual(result.stdout.decode().splitlines(), zipfile.ZipFile(archive).namelist())
        result, target = self.extract(archive, *options)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, tree)

    def test_info_zip_into_a_pipe_lists_and_extracts_every_entry(self):
        archive = self.through_a_pipe("pipe.zip", ["zip", "-q", "-r", "-", "readme.txt", "docs",
                                                   "photo.bin", "empty.txt"])
        with zipfile.ZipFile(archive) as z:
            self.assertTrue(all(i.flag_bits & 8 for i in z.infolist() if not i.is_dir()))
        self.assertListsAndExtractsEverything(archive)

    def test_info_zip_stored_into_a_pipe_takes_the_crc_from_the_descriptor(self):
        archive = self.through_a_pipe("pipe0.zip", ["zip", "-q", "-0", "-r", "-", "readme.txt",
                                                    "docs", "photo.bin", "empty.txt"])
        self.assertListsAndExtractsEverything(archive)

    def test_info_zip_reading_standard_input_writes_zip64_descriptors(self):
        with open(os.path.join(self.src, "docs", "guide.txt"), "rb") as guide:
            archive = self.through_a_pipe("stdin.zip", ["zip", "-q", "-", "-"], stdin=guide)
        self.assertListsAndExtractsEverything(archive, {"-": TREE["docs/guide.txt"]})

    def test_encrypted_info_zip_into_a_pipe_lists_without_the_password(self):
        archive = self.through_a_pipe("pipe_enc.zip", ["zip", "-q", "-P", "secret", "-r", "-",
                                                       "readme.txt", "docs", "photo.bin", "empty.txt"])
        self.assertListsAndExtractsEverything(archive, TREE, "-P", "secret")

    def test_python_zipfile_into_a_stream_lists_and_extracts_every_entry(self):
        archive = self.zipfile_into_a_pipe("py.zip", zipfile.ZIP_DEFLATED, list(TREE))
        self.assertListsAndExtractsEverything(archive)

    def test_a_jar_lists_and_extracts_every_entry(self):
        # Java's jar tool, which the machines need not have, made this one (make_fixtures.sh).
        archive = os.path.join(FIXTURES, "jar_streamed.zip")
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(z.namelist()[:2], ["META-INF/", "META-INF/MANIFEST.MF"])
            self.assertTrue(all(i.flag_bits & 8 for i in z.infolist() if i.compress_type == zipfile.ZIP_DEFLATED))
            tree = {i.filename: z.read(i) for i in z.infolist() if not i.is_dir()}
        self.assertListsAndExtractsEverything(archive, tree)

    def test_python_zipfile_stored_into_a_stream_ends_each_entry_at_its_descriptor(self):
        names = ["empty.txt", "readme.txt", "photo.bin"]
        archive = self.zipfile_into_a_pipe("py0.zip", zipfile.ZIP_STORED, names)
        with zipfile.ZipFile(archive) as z:
            self.assertTrue(all(i.flag_bits & 8 and i.compress_type == zipfile.ZIP_STORED for i in z.infolist()))
        self.assertListsAndExtractsEverything(archive, {name: TREE[name] for name in names})
        self.assertExit(self.unsfx("test", archive), ALL_FINE)


def local_header_offsets(archive):
    with zipfile.ZipFile(archive) as z:
        return [i.header_offset for i in z.infolist()]


def central_directory_offset(data):
    """Where the end record says the central directory starts."""
    end = data.rindex(b"PK\x05\x06")
    return end, struct.unpack_from("<I", data, end + 16)[0]


class DamagedArchives(UnsfxCase):
    """Behind the last entry comes the central directory; anything else met by the walk is damage,
    which fails every command after the entries in front of it were handled."""

    ENTRIES = [("one.txt", b"1" * 500), ("two.txt", b"2" * 700), ("three.txt", b"3" * 300)]

    def damaged(self, name, change):
        archive = self.pyzip(name, self.ENTRIES)
        with open(archive, "rb") as f:
            data = bytearray(f.read())
        change(data, local_header_offsets(archive))
        with open(archive, "wb") as f:
            f.write(data)
        return archive

    def assertDamagedBehindTheFirst(self, archive, offset):
        listing = self.unsfx("list", archive)
        self.assertExit(listing, BAD_ARCHIVE)
        self.assertEqual(listing.stdout.decode().splitlines(), ["one.txt"])
        message = b"unsfx: Archive error.. The archive is damaged at offset %d: the entries behind it cannot be reached." % offset
        self.assertIn(message, listing.stderr)
        self.assertExit(self.unsfx("test", archive), BAD_ARCHIVE)
        result, target = self.extract(archive)
        self.assertExit(result, BAD_ARCHIVE)
        self.assertIn(message, result.stderr)
        self.assertTreeExtracted(target, {"one.txt": b"1" * 500})

    def test_stray_bytes_between_two_entries_fail_every_command_after_the_first(self):
        second = []
        archive = self.damaged("stray.zip", lambda data, at: (second.append(at[1]), data.__setitem__(slice(at[1], at[1]), b"junk")))
        self.assertDamagedBehindTheFirst(archive, second[0])

    def test_a_damaged_signature_of_the_second_header_fails_every_command_after_the_first(self):
        second = []
        archive = self.damaged("signature.zip", lambda data, at: (second.append(at[1]), data.__setitem__(at[1] + 2, 0x13)))
        self.assertDamagedBehindTheFirst(archive, second[0])

    def test_an_archive_cut_short_behind_an_entry_fails(self):
        archive = self.damaged("cut.zip", lambda data, at: data.__delitem__(slice(at[1], None)))
        self.assertDamagedBehindTheFirst(archive, os.path.getsize(archive))

    def test_padding_in_front_of_the_central_directory_is_no_damage(self):
        def pad(data, at):
            end, central = central_directory_offset(data)
            struct.pack_into("<I", data, end + 16, central + 64)
            data[central:central] = bytes(64)
        archive = self.damaged("padded.zip", pad)
        with zipfile.ZipFile(archive) as z:
            self.assertIsNone(z.testzip())  # an archive every reader takes
        listing = self.unsfx("list", archive)
        self.assertExit(listing, ALL_FINE)
        self.assertEqual(listing.stderr, b"")
        result, target = self.extract(archive)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, dict(self.ENTRIES))

    def test_a_header_without_a_name_lists_and_extracts_the_entries_in_front_of_it(self):
        archive = self.damaged("nameless.zip", lambda data, at: struct.pack_into("<H", data, at[1] + 26, 0))
        listing = self.unsfx("list", archive)
        self.assertExit(listing, BAD_ARCHIVE)
        self.assertEqual(listing.stdout.decode().splitlines(), ["one.txt"])
        self.assertIn(b"Error retreiving filename.", listing.stderr)
        result, target = self.extract(archive)
        self.assertExit(result, BAD_ARCHIVE)
        self.assertTreeExtracted(target, {"one.txt": b"1" * 500})

    def test_an_encrypted_stream_the_listing_cannot_pass_fails_the_run_instead_of_skipping(self):
        # zip -P into a pipe with the descriptors' signatures cut out: without the password the
        # walk cannot find where the first entry ends; with it, the run could go on, but the
        # entries behind were never listed.
        writer = subprocess.run(["zip", "-q", "-P", "secret", "-", "readme.txt", "docs/guide.txt"], cwd=self.src,
                                stdout=subprocess.PIPE, check=True)
        data = writer.stdout
        unsigned = data.replace(b"PK\x07\x08", b"")
        self.assertEqual(len(unsigned), len(data) - 8)
        archive = self.path("unsigned.zip")
        with open(archive, "wb") as f:
            f.write(unsigned)
        listing = self.unsfx("list", archive)
        self.assertExit(listing, BAD_ARCHIVE)
        self.assertEqual(listing.stdout.decode().splitlines(), ["readme.txt"])
        result, target = self.extract(archive, "-P", "secret")
        self.assertNotEqual(result.returncode, ALL_FINE)
        self.assertIn(b"damaged", result.stderr)
        self.assertNotIn("docs/guide.txt", files_below(target)[0])


class NamesAndPaths(UnsfxCase):
    def test_a_name_part_too_long_is_refused_by_name_and_never_cut_into_another(self):
        longer, long = "a" * 255 + "b", "a" * 255
        archive = self.pyzip("long.zip", [("d1/" + longer, b"first"), ("d2/" + long, b"second")])
        result, target = self.extract(archive, "-j")
        self.assertExit(result, ENTRY_FAILED)
        self.assertIn(b"unsfx: Name too long... " + longer.encode(), result.stderr)
        self.assertIn(b"unsfx: failed: " + longer.encode() + b" (a part of its name is longer than the file system takes)",
                      result.stderr)
        self.assertTreeExtracted(target, {long: b"second"})

    def test_a_short_relative_folder_is_made(self):
        archive = self.pyzip("short.zip", [("x.txt", b"x"), ("d/y.txt", b"y")])
        for folder in ("a", "ab", "./c"):
            result = self.unsfx("extract", archive, "-d", folder)
            self.assertExit(result, ALL_FINE)
            self.assertEqual(files_below(self.path(folder))[0], {"x.txt": b"x", "d/y.txt": b"y"})

    def test_an_output_path_beyond_the_systems_limit_is_refused_before_anything_is_made(self):
        deep = "/".join(["d" * 200] * 21) + "/x.txt"  # over 4096 bytes with the folder in front
        archive = self.pyzip("deep.zip", [(deep, b"x"), ("ok.txt", b"ok")])
        result, target = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        self.assertIn(b"unsfx: Path too long... ", result.stderr)
        self.assertEqual(os.listdir(target), ["ok.txt"])

    def test_doubled_slashes_add_no_level_and_count_for_nothing_against_the_limit(self):
        # 4,100 slashes would pass the system's limit; the path written holds one of them.
        archive = self.pyzip("slashes.zip", [("a" + "/" * 4100 + "b.txt", b"b"), ("c//d//e.txt", b"e")])
        result, target = self.extract(archive)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {"a/b.txt": b"b", "c/d/e.txt": b"e"})


class TerminalSafety(UnsfxCase):
    """Names reach a terminal: control characters in them are spelled out, never sent."""

    NAMES = ["evil.exe\rharmless.txt", "\x1b]0;owned\x07title.txt", "\x1b[2Jclear.txt", "c1\u009b31m.txt", "plain.txt"]
    SHOWN = ["evil.exe\\x0Dharmless.txt", "\\x1B]0;owned\\x07title.txt", "\\x1B[2Jclear.txt", "c1\\u009B31m.txt",
             "plain.txt"]

    def test_list_progress_and_refusals_show_control_characters_escaped(self):
        archive = self.pyzip("names.zip", [(name, b"x") for name in self.NAMES])
        listing = self.unsfx("list", archive)
        self.assertExit(listing, ALL_FINE)
        self.assertEqual(listing.stdout.decode().splitlines(), self.SHOWN)
        result, target = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        for raw in (b"\r", b"\x1b", b"\x07", "\u009b".encode()):
            self.assertNotIn(raw, result.stdout + result.stderr)
        self.assertIn(b"unsfx: Unsafe path... evil.exe\\x0Dharmless.txt\n", result.stderr)
        self.assertIn(b"unsfx: failed: \\x1B[2Jclear.txt (its name is unsafe)\n", result.stderr)
        self.assertIn(b"Extracting: " + target.replace("/", "\\").encode() + b"\\c1\\u009B31m.txt\n", result.stderr)


class Progress(UnsfxCase):
    """An entry that takes longer than a moment shows how far it has got on a terminal, and on
    nothing else (the console view's tests show the terminal's lines)."""

    def big_zeros(self):
        """1 GiB of zeros, deflated to about a megabyte, written without holding it whole."""
        archive = self.path("zeros.zip")
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
            with z.open("disk.img", "w", force_zip64=True) as entry:
                for _ in range(1024):
                    entry.write(bytes(1 << 20))
        return archive

    def test_without_a_terminal_no_figure_is_written(self):
        result = self.unsfx("test", self.big_zeros())
        self.assertExit(result, ALL_FINE)
        self.assertNotIn(b" %", result.stderr)
        self.assertEqual(result.stderr.decode().splitlines(), ["Testing: disk.img", "Extraction successful"])


class BigArchives(UnsfxCase):
    """Positions and sizes are 64-bit: an exe of just under the 4 GiB Windows starts, and an entry
    of more than 4 GiB in the ZIP64 format."""

    def test_an_exe_of_almost_4_gib_lists_and_tests_every_entry_behind_its_big_one(self):
        # A sparse file: the big entry's zeros cost no disk space.
        program = self.path("big.exe")
        image = (b"MZ" + bytes(range(256)) * (ARCHIVE_BASE // 256 + 1))[:ARCHIVE_BASE]
        big = (4 << 30) - ARCHIVE_BASE - (1 << 20)
        small = [("readme.txt", b"read me\n"), ("docs/guide.txt", b"a guide\n" * 100)]
        offsets = sparse_archive.write_sparse_archive(program, image, "disk.img", big, small)
        self.assertGreater(offsets[-1], 0xF0000000)
        self.assertLess(os.path.getsize(program), 4 << 30)
        listing = self.unsfx("list", program)
        self.assertExit(listing, ALL_FINE)
        self.assertEqual(listing.stdout.decode().splitlines(), ["disk.img", "readme.txt", "docs/guide.txt"])
        self.assertExit(self.unsfx("test", program), ALL_FINE)

    def test_a_zip64_entry_of_more_than_4_gib_extracts_in_full_and_verifies(self):
        size = (4 << 30) + 1000
        archive = self.path("zip64.zip")
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
            with z.open("disk.img", "w", force_zip64=True) as entry:
                block = bytes(8 << 20)
                for _ in range(size // len(block)):
                    entry.write(block)
                entry.write(bytes(size % len(block)))
            z.writestr("after.txt", b"behind the big one")
        result, target = self.extract(archive, "-q")
        try:
            self.assertExit(result, ALL_FINE)
            self.assertEqual(os.path.getsize(os.path.join(target, "disk.img")), size)
            with open(os.path.join(target, "after.txt"), "rb") as f:
                self.assertEqual(f.read(), b"behind the big one")
        finally:
            shutil.rmtree(target, ignore_errors=True)  # 4 GiB on disk: gone as soon as seen


class FullDisk(UnsfxCase):
    """A real file system that fills up: a tmpfs of 256 KiB (root may mount one)."""

    def setUp(self):
        super().setUp()
        self.disk = self.path("disk")
        os.makedirs(self.disk)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", self.disk], capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small tmpfs here: " + mounted.stderr.decode(errors="replace").strip())
        self.addCleanup(subprocess.run, ["umount", self.disk], check=True)

    def test_a_full_disk_is_named_as_such_and_leaves_no_partial_or_temporary_file(self):
        data = [("a.bin", random.Random(1).randbytes(100_000)), ("b.bin", random.Random(2).randbytes(200_000)),
                ("c.bin", random.Random(3).randbytes(10_000))]
        archive = self.pyzip("big.zip", data, zipfile.ZIP_STORED)
        result = self.unsfx("extract", archive, "-d", self.disk)
        self.assertExit(result, ENTRY_FAILED)
        self.assertIn(b"unsfx: Error writing... " + os.path.join(self.disk, "b.bin").replace("/", "\\").encode() +
                      b": No space left on device", result.stderr)
        self.assertIn(b"unsfx: failed: b.bin (it could not be written)", result.stderr)
        self.assertEqual(files_below(self.disk)[0], {"a.bin": data[0][1], "c.bin": data[2][1]})


class DeclaredSizes(UnsfxCase):
    """Data longer or shorter than the uncompressed size in its local header, whose CRC-32 covers
    all of the data."""

    def declared(self, name, entry, data, method, size):
        archive = self.pyzip(name, [(entry, data)], method)
        patch_local_header(archive, entry, 22, "<I", size)
        return archive

    def test_stored_data_longer_than_declared_fails_and_nothing_is_written(self):
        archive = self.declared("long0.zip", "a.txt", b"0123456789" * 2, zipfile.ZIP_STORED, 10)
        result, target = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        self.assertIn(b"unsfx: failed: a.txt (its data does not match its CRC-32)", result.stderr)
        self.assertTreeExtracted(target, {})

    def test_inflated_data_longer_than_declared_fails_and_nothing_is_written(self):
        data = random.Random(11).randbytes(150) * 1748  # 262,200 bytes
        archive = self.declared("long8.zip", "big.bin", data, zipfile.ZIP_DEFLATED, 10)
        self.assertExit(self.unsfx("test", archive), ENTRY_FAILED)
        result, target = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        self.assertTreeExtracted(target, {})

    def test_data_shorter_than_declared_fails(self):
        archive = self.declared("short.zip", "a.txt", b"0123456789", zipfile.ZIP_DEFLATED, 11)
        result, _ = self.extract(archive)
        self.assertExit(result, ENTRY_FAILED)
        self.assertIn(b"unsfx: failed: a.txt (its size is not the one the archive states)", result.stderr)


class UndecryptableEntries(UnsfxCase):
    """Strong encryption (flag bit 6), and method 99 without an AES field this program knows,
    cannot be decrypted here: refused before any password is asked, with the reason, as an
    unsupported method is."""

    def assertRefusedWithoutAPassword(self, archive):
        for options in ((), ("-P", "secret")):
            result, target = self.extract(archive, *options)
            self.assertExit(result, ENTRY_FAILED)
            self.assertIn(b"unsfx: Unable to extract... Unsupported encryption method", result.stderr)
            self.assertFalse(os.path.exists(os.path.join(target, "readme.txt")))

    def test_strong_encryption_is_refused_before_any_password(self):
        archive = self.infozip("strong.zip", "-P", "secret", members=("readme.txt",))
        patch_local_header(archive, "readme.txt", 6, "<H", 0x0049)
        self.assertRefusedWithoutAPassword(archive)

    def test_method_99_without_its_aes_field_is_refused_before_any_password(self):
        archive = self.infozip("aes.zip", "-P", "secret", members=("readme.txt",))
        patch_local_header(archive, "readme.txt", 8, "<H", 99)
        self.assertRefusedWithoutAPassword(archive)


class AesEntries(UnsfxCase):
    """AES entries (the ZIP format's AES extension) as 7-Zip writes them (AE-2, every key size,
    stored and deflated), read with the same password flow as traditional encryption."""

    def sevenzip_aes(self, name, bits, *options, members=("readme.txt", "docs", "photo.bin", "empty.txt"),
                     password="secret"):
        archive = self.path(name)
        subprocess.run(["7z", "a", "-tzip", "-p" + password, "-mem=AES%d" % bits, *options, archive, *members],
                       cwd=self.src, check=True, capture_output=True)
        return archive

    def test_every_key_size_extracts_byte_for_byte_stored_and_deflated(self):
        for bits in (128, 192, 256):
            for level in ("-mx=0", "-mx=5"):
                with self.subTest(bits=bits, level=level):
                    archive = self.sevenzip_aes("aes%d%s.zip" % (bits, level), bits, level)
                    result, target = self.extract(archive, "-P", "secret", into="out%d%s" % (bits, level))
                    self.assertExit(result, ALL_FINE)
                    self.assertTreeExtracted(target)

    def test_a_self_extracting_program_with_aes_entries_tests_and_extracts(self):
        program = self.fake_program(self.sevenzip_aes("aes.zip", 256))
        self.assertExit(self.unsfx("test", program, "-P", "secret"), ALL_FINE)
        result, target = self.extract(program, "-P", "secret")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target)

    def test_a_wrong_password_ends_the_run_with_exit_code_3_and_writes_nothing(self):
        result, target = self.extract(self.sevenzip_aes("aes.zip", 256), "-P", "wrong")
        self.assertExit(result, WRONG_PASSWORD)
        files, _ = files_below(target) if os.path.isdir(target) else ({}, set())
        self.assertEqual(files, {})
        self.assertIn(b"the password was refused three times", result.stderr)

    def test_one_bit_flipped_in_the_ciphertext_fails_that_entry_by_its_authentication_code(self):
        for level in ("-mx=0", "-mx=5"):
            with self.subTest(level=level):
                archive = self.sevenzip_aes("flip%s.zip" % level, 256, level, members=("readme.txt", "empty.txt"))
                with zipfile.ZipFile(archive) as z:
                    info = z.getinfo("readme.txt")
                with open(archive, "r+b") as f:
                    f.seek(info.header_offset + 26)
                    name_length, extra_length = struct.unpack("<HH", f.read(4))  # the local header's own
                    ciphertext = info.compress_size - 16 - 2 - 10  # less the salt, verifier and code
                    f.seek(info.header_offset + 30 + name_length + extra_length + 16 + 2 + ciphertext // 2)
                    byte = f.read(1)[0]
                    f.seek(-1, os.SEEK_CUR)
                    f.write(bytes([byte ^ 0x10]))
                result, target = self.extract(archive, "-P", "secret", into="out" + level)
                self.assertExit(result, ENTRY_FAILED)
                self.assertIn(b"unsfx: failed: readme.txt (its data does not match its authentication code)",
                              result.stderr)
                self.assertTreeExtracted(target, {"empty.txt": b""})
                self.assertExit(self.unsfx("test", archive, "-P", "secret"), ENTRY_FAILED)

    def test_unsafe_names_are_refused_as_in_plain_entries(self):
        os.makedirs(os.path.join(self.src, "zz"))
        with open(os.path.join(self.src, "zz", "evil.txt"), "wb") as f:
            f.write(b"x")
        archive = self.sevenzip_aes("evil.zip", 256, members=("zz/evil.txt", "readme.txt"))
        with open(archive, "rb") as f:
            data = f.read()
        with open(archive, "wb") as f:
            f.write(data.replace(b"zz/evil.txt", b"../evil.txt"))  # in both headers
        result, target = self.extract(archive, "-P", "secret")
        self.assertExit(result, ENTRY_FAILED)
        self.assertIn(b"Unsafe path... ../evil.txt", result.stderr)
        self.assertFalse(os.path.exists(self.path("evil.txt")))
        self.assertTreeExtracted(target, {"readme.txt": TREE["readme.txt"]})

    def test_libarchive_streamed_ae1_entries_extract_with_their_crc(self):
        archive = self.path("bsdtar.zip")
        subprocess.run(["bsdtar", "--format", "zip", "--options", "zip:encryption=aes256", "--passphrase", "secret",
                        "-cf", archive, "readme.txt", "docs", "photo.bin", "empty.txt"], cwd=self.src, check=True)
        result, target = self.extract(archive, "-P", "secret")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target)

    def test_traditional_and_aes_entries_in_one_archive_share_the_password(self):
        archive = self.infozip("mixed.zip", "-P", "secret", members=("readme.txt",))
        self.sevenzip_aes("mixed.zip", 128, members=("photo.bin", "docs"))
        result, target = self.extract(archive, "-P", "secret")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {k: v for k, v in TREE.items() if k != "empty.txt"})


class Overwriting(UnsfxCase):
    def existing(self, content=b"mine"):
        target = self.path("out")
        os.makedirs(target)
        with open(os.path.join(target, "readme.txt"), "wb") as f:
            f.write(content)
        return os.path.join(target, "readme.txt")

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_skip_leaves_an_existing_file_and_counts_as_success(self):
        path = self.existing()
        result, _ = self.extract(self.infozip("dirs.zip"), "--skip")
        self.assertExit(result, ALL_FINE)
        self.assertEqual(self.read(path), b"mine")

    def test_asking_without_a_terminal_leaves_an_existing_file(self):
        path = self.existing()
        result, _ = self.extract(self.infozip("dirs.zip"))
        self.assertExit(result, ALL_FINE)
        self.assertEqual(self.read(path), b"mine")

    def test_overwrite_replaces_an_existing_file(self):
        path = self.existing()
        result, _ = self.extract(self.infozip("dirs.zip"), "--overwrite")
        self.assertExit(result, ALL_FINE)
        self.assertEqual(self.read(path), TREE["readme.txt"])


class Terminal(UnsfxCase):
    """unsfx with a pseudo-terminal as its input: the questions are asked there."""

    def start(self, *args):
        master, slave = pty.openpty()
        child = subprocess.Popen([UNSFX, *args], cwd=self.work, stdin=slave,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(os.close, master)
        self.addCleanup(os.close, slave)
        return child, master, slave

    def wait_for(self, stream, text):
        seen = b""
        while text not in seen:
            ready, _, _ = select.select([stream], [], [], 30)
            self.assertTrue(ready, "no %r in %r" % (text, seen))
            chunk = os.read(stream.fileno(), 4096)
            self.assertTrue(chunk, "no %r in %r" % (text, seen))
            seen += chunk
        return seen

    def test_password_is_asked_on_the_terminal_without_echo(self):
        archive = self.infozip("enc.zip", "-P", "secret")
        child, master, slave = self.start("extract", archive, "-d", self.path("out"))
        self.wait_for(child.stderr, b"Password: ")
        self.assertFalse(termios.tcgetattr(slave)[3] & termios.ECHO)
        os.write(master, b"secret\n")
        self.assertEqual(child.wait(timeout=60), ALL_FINE)
        self.assertTrue(termios.tcgetattr(slave)[3] & termios.ECHO)
        self.assertTreeExtracted(self.path("out"))

    def test_overwrite_question_all_overwrites_the_rest_without_asking(self):
        archive = self.pyzip("two.zip", [("a.txt", b"new a"), ("b.txt", b"new b")])
        os.makedirs(self.path("out"))
        for name in ("a.txt", "b.txt"):
            with open(self.path("out", name), "wb") as f:
                f.write(b"old")
        child, master, _ = self.start("extract", archive, "-d", self.path("out"))
        self.wait_for(child.stderr, b"a.txt...already exists, overwrite?")
        os.write(master, b"A\n")
        _, err = child.communicate(timeout=60)
        self.assertEqual(child.returncode, ALL_FINE)
        self.assertNotIn(b"b.txt...already exists", err)
        files, _ = files_below(self.path("out"))
        self.assertEqual(files, {"a.txt": b"new a", "b.txt": b"new b"})


INTERNATIONAL = {
    "Übersicht.txt": b"uber\n" * 50,
    "café/menü.txt": b"menu\n",
    "日本語.txt": random.Random(8).randbytes(3000),
    "Загрузки/отчёт.txt": b"report\n",
}


class InternationalNames(UnsfxCase):
    """Names are listed and written in UTF-8, whichever way the writer stored them."""

    def archive_by(self, writer):
        src = self.path("intl")
        write_tree(src, INTERNATIONAL)
        archive = self.path(writer + ".zip")
        if writer == "zipfile":
            self.pyzip(writer + ".zip", INTERNATIONAL.items())
        elif writer == "zip":
            subprocess.run(["zip", "-q", "-X", archive, *INTERNATIONAL], cwd=src, check=True)
        else:
            subprocess.run(["7z", "a", "-tzip", archive, *INTERNATIONAL], cwd=src, check=True, capture_output=True)
        return archive

    def test_every_writer_lists_and_extracts_the_true_names(self):
        for writer in ("zipfile", "zip", "7z"):
            with self.subTest(writer=writer):
                archive = self.archive_by(writer)
                listed = self.unsfx("list", archive)
                self.assertExit(listed, ALL_FINE)
                self.assertEqual(sorted(listed.stdout.decode("utf-8").splitlines()), sorted(INTERNATIONAL))
                result, target = self.extract(archive, into="out-" + writer)
                self.assertExit(result, ALL_FINE)
                self.assertTreeExtracted(target, INTERNATIONAL)

    def test_a_name_that_is_not_utf8_is_read_as_windows_1252(self):
        src = self.path("legacy").encode()
        os.makedirs(src)
        raw = b"caf\xe9 \x80 cr\xe8me.txt"  # Latin-1 bytes with the euro sign of Windows-1252
        with open(src + b"/" + raw, "wb") as f:
            f.write(b"legacy\n")
        archive = self.path("legacy.zip")
        subprocess.run([b"zip", b"-q", b"-X", archive.encode(), raw], cwd=src, check=True)
        listed = self.unsfx("list", archive)
        self.assertEqual(listed.stdout.decode("utf-8").splitlines(), ["café € crème.txt"])
        result, target = self.extract(archive)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {"café € crème.txt": b"legacy\n"})

    def test_a_unicode_path_field_names_an_entry_while_its_crc_matches_the_header_name(self):
        archive = os.path.join(FIXTURES, "unicode_path.zip")
        names = ["File 2 - ö.txt", "docs/Файл 3.txt", "stale.txt", "version2.txt"]
        listed = self.unsfx("list", archive)
        self.assertExit(listed, ALL_FINE)
        self.assertEqual(listed.stdout.decode("utf-8").splitlines(), names)
        with zipfile.ZipFile(archive) as zf:  # zipfile ignores the field: its names are the stand-ins
            contents = [zf.read(info) for info in zf.infolist()]
        result, target = self.extract(archive)
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {"File 2 - ö.txt": contents[0], "docs/Файл 3.txt": contents[1],
                                          "stale.txt": contents[2], "version2.txt": contents[3]})

    def test_look_alikes_of_dots_slashes_and_devices_stay_inside_the_folder(self):
        names = ["．．／evil.txt", "..∕evil.txt", "sub＼..＼..＼up.txt", "..¥yen.txt", "ＣＯＮ.txt", "ok.txt"]
        archive = self.pyzip("lookalikes.zip", [(n, n.encode()) for n in names])
        result, target = self.extract(archive, into="deep/out")
        self.assertExit(result, ALL_FINE)
        self.assertTreeExtracted(target, {n: n.encode() for n in names})
        self.assertEqual(sorted(os.listdir(self.path("deep"))), ["out"])
        self.assertFalse([n for n in os.listdir(self.work) if "evil" in n or "up" in n or "yen" in n])

    def test_a_password_beyond_ascii_opens_utf8_and_windows_1252_encryption(self):
        src = self.path("intl")
        write_tree(src, INTERNATIONAL)
        for form, password in (("utf8", "pässwort".encode()), ("cp1252", "pässwort".encode("cp1252"))):
            with self.subTest(form=form):
                archive = self.path(form + ".zip").encode()
                subprocess.run([b"zip", b"-q", b"-X", b"-P", password, archive, "Übersicht.txt".encode()],
                               cwd=src, check=True)
                result, target = self.extract(archive.decode(), "-P", "pässwort", into="out-" + form)
                self.assertExit(result, ALL_FINE)
                self.assertTreeExtracted(target, {"Übersicht.txt": INTERNATIONAL["Übersicht.txt"]})


def case_names():
    loader = unittest.TestLoader()
    for cls in UnsfxCase.__subclasses__():
        for name in loader.getTestCaseNames(cls):
            yield "%s.%s" % (cls.__name__, name)


def main():
    global UNSFX, ARCHIVE_BASE
    parser = argparse.ArgumentParser()
    parser.add_argument("--names", action="store_true")
    parser.add_argument("--unsfx")
    parser.add_argument("--archive-base", type=int)
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    if args.names:
        print("\n".join(case_names()))
        return 0
    UNSFX, ARCHIVE_BASE = args.unsfx, args.archive_base
    os.environ["LC_ALL"] = "C.UTF-8"  # names beyond ASCII pass through zip and 7z as UTF-8
    suite = unittest.TestLoader().loadTestsFromNames(args.cases or list(case_names()),
                                                     sys.modules[__name__])
    return 0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
