"""mksfx against the readers it must satisfy: Info-ZIP unzip, 7z, Python's zipfile, unsfx, and
a walk over the local headers from ArchiveBase as the stub does it.

Run: mksfx_test.py MKSFX FORMAT_H [UNSFX] [-- unittest arguments]"""
import io
import os
import pty
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
import zlib

import pe_checks

MKSFX = FORMAT_H = UNSFX = None
LOCAL, CENTRAL = b"PK\x03\x04", b"PK\x01\x02"
SIGN_PASSWORD = "MKSFX_SIGN_PASSWORD"


def archive_base():
    with open(FORMAT_H) as f:
        text = f.read()
    return int(re.search(r"ArchiveBase\s*=\s*(\d+)", text).group(1))


I386, AMD64 = 0x14C, 0x8664


def fake_stub(size, machine=I386, seed=7):
    """Bytes of a stand-in program: the headers of a one-section PE image naming its machine
    type (enough for signing tools and checksum checkers), and behind them no 0x50 ('P'), so
    no ZIP signature either."""
    body = bytearray((i * seed + 3) % 256 if (i * seed + 3) % 256 != 0x50 else 0x51 for i in range(size))
    body[0:0x200] = bytes(0x200)
    body[0:2] = b"MZ"
    body[0x3C:0x40] = struct.pack("<I", 0x80)
    body[0x80:0x98] = b"PE\0\0" + struct.pack("<HHIIIHH", machine, 1, 0, 0, 0, 0xE0, 0x0102)
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 2, 0, 0x200, 0, 0, 0x1000, 0x1000, 0x2000,
                           0x400000, 0x1000, 0x200, 4, 0, 0, 0, 4, 0, 0, 0x2000, 0x200, 0, 2, 0,
                           0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    body[0x98:0x98 + 0xE0] = optional + bytes(16 * 8)
    body[0x178:0x1A0] = b".text\0\0\0" + struct.pack("<IIIIIIHHI", 0x200, 0x1000, 0x200, 0x200, 0, 0, 0, 0,
                                                        0x60000020)
    return bytes(body)


def text_bytes(rnd, n):
    words = [b"alpha", b"bravo", b"charlie", b"delta", b"echo", b"foxtrot"]
    out = bytearray()
    while len(out) < n:
        out += rnd.choice(words) + (b"\n" if rnd.random() < 0.2 else b" ")
    return bytes(out[:n])


def zip64_sizes(extra):
    """The uncompressed and compressed size of a local header's ZIP64 field, or None."""
    at = 0
    while at + 4 <= len(extra):
        field, size = struct.unpack_from("<HH", extra, at)
        if field == 1 and size >= 16:
            return struct.unpack_from("<QQ", extra, at + 4)
        at += 4 + size
    return None


def stub_walk(data, base):
    """The stub's walk: local headers from base on, stepping by the header's own sizes (and
    over a data descriptor that repeats them, as the engine does). Returns the headers."""
    entries, at = [], base
    while data[at:at + 4] == LOCAL:
        (flags, method, mtime, _, crc, csize, usize, nlen, xlen) = struct.unpack_from("<HHHHIIIHH", data, at + 6)
        raw_name = data[at + 30:at + 30 + nlen]
        zip64 = zip64_sizes(data[at + 30 + nlen:at + 30 + nlen + xlen]) if csize == 0xFFFFFFFF else None
        if zip64:
            usize, csize = zip64
        entries.append(dict(name=raw_name.decode("utf-8" if flags & 0x800 else "cp437"), raw_name=raw_name,
                            flags=flags, method=method,
                            mtime=mtime, crc=crc, csize=csize, usize=usize, zip64=zip64 is not None))
        at += 30 + nlen + xlen + csize
        repeated = struct.pack("<IQQ" if zip64 else "<III", crc, csize, usize)
        if flags & 8 and csize and data[at:at + 4 + len(repeated)] == b"PK\x07\x08" + repeated:
            at += 4 + len(repeated)
    return entries, at


class MksfxCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mksfx-test-")
        self.base = archive_base()
        self.stub = self.path("stub.exe")
        with open(self.stub, "wb") as f:
            f.write(fake_stub(self.base))
        self.rnd = random.Random(self.id())

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, relative, data):
        p = self.path(relative)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(data)
        return p

    def mksfx(self, *args, code=0, stub=True, cwd=None):
        cmd = [MKSFX] + (["--stub", self.stub] if stub else []) + ["-q"] + list(args)
        r = subprocess.run(cmd, capture_output=True, cwd=cwd or self.dir)
        self.assertEqual(r.returncode, code, "mksfx %s\nstderr: %s" % (args, r.stderr.decode(errors="replace")))
        return r

    def make_tree(self, root="tree"):
        """Nested folders, an empty file, an empty folder, text and binary files."""
        files = {
            "top.txt": text_bytes(self.rnd, 20000),
            "empty.dat": b"",
            "sub/random.bin": os.urandom(70000),
            "sub/deeper/notes.txt": text_bytes(self.rnd, 3000),
            "sub/deeper/one.bin": b"\x00",
        }
        for name, data in files.items():
            self.write(os.path.join(root, name), data)
        os.makedirs(self.path(root, "empty_folder"))
        expected = {root + "/" + n: d for n, d in files.items()}
        for folder in ["", "/sub", "/sub/deeper", "/empty_folder"]:
            expected[root + folder + "/"] = None
        return expected

    def assert_readers_pass(self, exe, expected, password=None, aes=False):
        """Every reader tests the exe clean, and the names and bytes are the expected ones. AES
        entries are read by 7z and unsfx only: Info-ZIP unzip 6 and Python's zipfile know
        nothing of them."""
        with open(exe, "rb") as f:
            data = f.read()
        with open(self.stub, "rb") as f:
            self.assertEqual(pe_checks.without_stamped_fields(data[:self.base]), pe_checks.without_stamped_fields(f.read()),
                             "the exe starts with the stub")
        pw = ["-P", password] if password else []
        if not aes:
            r = subprocess.run(["unzip", "-t"] + pw + [exe], capture_output=True)
            self.assertEqual(r.returncode, 0, r.stdout.decode(errors="replace"))
            self.assertNotIn(b"extra bytes", r.stdout + r.stderr)
            self.assertNotIn(b"warning", r.stdout + r.stderr)
        r = subprocess.run(["7z", "t", "-p" + (password or "")] + [exe], capture_output=True)
        self.assertEqual(r.returncode, 0, r.stdout.decode(errors="replace"))
        with zipfile.ZipFile(exe) as z:
            self.assertEqual(sorted(z.namelist()), sorted(expected))
            for name, content in expected.items():
                if content is None:
                    continue
                if aes:
                    r = subprocess.run(["7z", "x", "-so", "-p" + password, exe, name], capture_output=True)
                    self.assertEqual(r.stdout, content, name)
                else:
                    self.assertEqual(z.read(name, pwd=password.encode() if password else None), content, name)
        if UNSFX:
            r = subprocess.run([UNSFX, "test", exe, "-q"] + pw, capture_output=True)
            self.assertEqual(r.returncode, 0, r.stderr.decode(errors="replace"))
        self.assert_stub_walk_reaches_all(data, expected)

    def assert_stub_walk_reaches_all(self, data, expected):
        entries, end = stub_walk(data, self.base)
        self.assertEqual(sorted(e["name"] for e in entries), sorted(expected))
        self.assertEqual(data[end:end + 4], CENTRAL, "the walk ends at the central directory")
        for e in entries:
            if not e["flags"] & 1:  # only an encrypted entry may need bit 3 for its check byte
                self.assertFalse(e["flags"] & 8, e["name"])
            if expected[e["name"]] is not None and not (e["flags"] & 1):
                self.assertEqual(e["usize"], len(expected[e["name"]]), e["name"])
                self.assertEqual(e["crc"], zipfile.crc32(expected[e["name"]]), e["name"])
        return entries


class RoundTrip(MksfxCase):
    def test_nested_tree_with_empty_file_and_folder_passes_every_reader(self):
        expected = self.make_tree()
        self.mksfx("-o", "out.exe", "tree")
        self.assert_readers_pass(self.path("out.exe"), expected)

    def test_unzip_recreates_the_tree_with_its_empty_folder(self):
        expected = self.make_tree()
        self.mksfx("-o", "out.exe", "tree")
        subprocess.run(["unzip", "-q", self.path("out.exe"), "-d", self.path("x")], check=True, capture_output=True)
        for name, content in expected.items():
            target = self.path("x", name)
            if content is None:
                self.assertTrue(os.path.isdir(target), name)
            else:
                with open(target, "rb") as f:
                    self.assertEqual(f.read(), content, name)

    def test_unzip_recreates_names_beyond_ascii(self):
        names = ["Übersicht.txt", "日本語/メモ.txt"]
        for n in names:
            self.write("intl/" + n, n.encode())
        self.mksfx("-o", self.path("out.exe"), ".", cwd=self.path("intl"))
        subprocess.run(["unzip", "-q", self.path("out.exe"), "-d", self.path("x")], check=True, capture_output=True,
                       env=dict(os.environ, LC_ALL="C.UTF-8"))
        for n in names:
            with open(self.path("x", n), "rb") as f:
                self.assertEqual(f.read(), n.encode(), n)

    def test_incompressible_data_is_stored_and_text_deflated(self):
        self.make_tree()
        self.mksfx("-o", "out.exe", "tree")
        with zipfile.ZipFile(self.path("out.exe")) as z:
            self.assertEqual(z.getinfo("tree/sub/random.bin").compress_type, zipfile.ZIP_STORED)
            self.assertEqual(z.getinfo("tree/empty.dat").compress_type, zipfile.ZIP_STORED)
            self.assertEqual(z.getinfo("tree/top.txt").compress_type, zipfile.ZIP_DEFLATED)

    def test_level_zero_stores_every_entry(self):
        expected = self.make_tree()
        self.mksfx("-0", "-o", "out.exe", "tree")
        with zipfile.ZipFile(self.path("out.exe")) as z:
            self.assertEqual({i.compress_type for i in z.infolist()}, {zipfile.ZIP_STORED})
        self.assert_readers_pass(self.path("out.exe"), expected)

    def test_higher_level_is_not_larger(self):
        self.make_tree()
        self.mksfx("-1", "-o", "fast.exe", "tree")
        self.mksfx("-9", "-o", "best.exe", "tree")
        self.assertLessEqual(os.path.getsize(self.path("best.exe")), os.path.getsize(self.path("fast.exe")))

    def test_file_over_32_mb_round_trips(self):
        chunk = text_bytes(self.rnd, 1 << 20)
        big = b"".join(chunk if i % 3 else os.urandom(1 << 20) for i in range(33)) + b"tail"
        self.write("big/large.bin", big)
        self.mksfx("-o", "out.exe", "big")
        self.assert_readers_pass(self.path("out.exe"), {"big/": None, "big/large.bin": big})

    def test_a_file_argument_is_stored_under_its_own_name(self):
        self.write("deep/in/here.txt", b"content")
        self.mksfx("-o", "out.exe", os.path.join("deep", "in", "here.txt"))
        self.assert_readers_pass(self.path("out.exe"), {"here.txt": b"content"})

    def test_dot_stores_the_current_folders_contents_at_the_top(self):
        self.write("proj/a.txt", b"a")
        self.write("proj/b/c.txt", b"c")
        self.mksfx("-o", self.path("out.exe"), ".", cwd=self.path("proj"))
        self.assert_readers_pass(self.path("out.exe"), {"a.txt": b"a", "b/": None, "b/c.txt": b"c"})

    def test_the_output_inside_an_input_folder_is_not_taken_in(self):
        self.write("proj/a.txt", b"a")
        self.mksfx("-o", "proj/out.exe", "proj")
        self.mksfx("-o", "proj/out.exe", "proj")
        with zipfile.ZipFile(self.path("proj/out.exe")) as z:
            self.assertEqual(sorted(z.namelist()), ["proj/", "proj/a.txt"])

    def test_a_link_to_a_folder_is_skipped_with_a_warning(self):
        self.write("tree/a.txt", b"a")
        os.makedirs(self.path("elsewhere"))
        os.symlink(self.path("elsewhere"), self.path("tree", "link"))
        r = self.mksfx("-o", "out.exe", "tree", code=1)
        self.assertIn(b"link", r.stderr)
        self.assert_readers_pass(self.path("out.exe"), {"tree/": None, "tree/a.txt": b"a"})


    def test_names_beyond_ascii_are_utf8_with_flag_bit_11_and_ascii_names_unflagged(self):
        expected = {"intl/": None, "intl/Übersicht.txt": b"u", "intl/日本語.txt": b"j", "intl/plain.txt": b"p"}
        for name, data in expected.items():
            if data is not None:
                self.write(name, data)
        self.mksfx("-o", "out.exe", "intl")
        self.assert_readers_pass(self.path("out.exe"), expected)
        with open(self.path("out.exe"), "rb") as f:
            entries, _ = stub_walk(f.read(), self.base)
        flags = {e["raw_name"].decode("utf-8"): e["flags"] & 0x800 for e in entries}
        self.assertEqual(flags, {"intl/": 0, "intl/Übersicht.txt": 0x800, "intl/日本語.txt": 0x800, "intl/plain.txt": 0})


class Reproducible(MksfxCase):
    def test_two_builds_of_the_same_folder_are_byte_identical(self):
        self.make_tree()
        self.mksfx("--reproducible", "-o", "one.exe", "tree")
        for root, _, files in os.walk(self.path("tree")):
            for f in files:
                os.utime(os.path.join(root, f), (1e9, 1e9))
        self.mksfx("--reproducible", "-o", "two.exe", "tree")
        with open(self.path("one.exe"), "rb") as a, open(self.path("two.exe"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_names_are_sorted_and_times_fixed(self):
        self.write("b/z.txt", b"z")
        self.write("a/y.txt", b"y")
        self.mksfx("--reproducible", "-o", "out.exe", "b", "a")
        with zipfile.ZipFile(self.path("out.exe")) as z:
            self.assertEqual(z.namelist(), ["a/", "a/y.txt", "b/", "b/z.txt"])
            self.assertEqual({i.date_time for i in z.infolist()}, {(1980, 1, 1, 0, 0, 0)})

    def test_without_it_argument_order_and_file_times_are_kept(self):
        self.write("b/z.txt", b"z")
        self.write("a/y.txt", b"y")
        os.utime(self.path("b/z.txt"), (1262347200, 1262347200))  # 2010-01-01 12:00 UTC
        self.mksfx("-o", "out.exe", "b", "a")
        with zipfile.ZipFile(self.path("out.exe")) as z:
            self.assertEqual(z.namelist(), ["b/", "b/z.txt", "a/", "a/y.txt"])
            self.assertEqual(z.getinfo("b/z.txt").date_time[:1], (2010,))

    def test_cannot_be_combined_with_a_password(self):
        self.write("a.txt", b"a")
        self.mksfx("--reproducible", "--password=pw", "-o", "out.exe", "a.txt", code=7)


class Password(MksfxCase):
    def test_every_file_is_encrypted_with_aes_256_ae_2_and_opens_with_the_password(self):
        expected = self.make_tree()
        self.mksfx("--password=s3cret", "-o", "out.exe", "tree")
        self.assert_readers_pass(self.path("out.exe"), expected, password="s3cret", aes=True)
        with zipfile.ZipFile(self.path("out.exe")) as z:
            for info in z.infolist():
                self.assertEqual(bool(info.flag_bits & 1), not info.is_dir(), info.filename)
                if info.is_dir():
                    continue
                self.assertEqual(info.compress_type, 99, info.filename)
                # The AES field: AE-2, vendor "AE", AES-256, then the data's own method.
                at = info.extra.find(b"\x01\x99\x07\x00")
                self.assertGreaterEqual(at, 0, info.filename)
                self.assertEqual(info.extra[at + 4:at + 9], b"\x02\x00AE\x03", info.filename)
                self.assertIn(struct.unpack("<H", info.extra[at + 9:at + 11])[0], (0, 8), info.filename)
                self.assertEqual(info.CRC, 0, "AE-2 leaves the CRC out: " + info.filename)
                self.assertEqual(info.extract_version, 51, info.filename)

    def test_7z_reports_aes_256_for_stored_and_deflated_entries(self):
        self.write("t/text.txt", b"private text " * 500)
        self.write("t/noise.bin", os.urandom(5000))  # deflating does not shrink it: stored
        self.mksfx("--password=pw", "-o", "out.exe", "t")
        r = subprocess.run(["7z", "l", "-slt", "-ppw", self.path("out.exe")], capture_output=True)
        methods = [line for line in r.stdout.decode().splitlines() if line.startswith("Method = ")]
        # The folder t/ has no data to encrypt.
        self.assertEqual(sorted(methods), ["Method = AES-256 Deflate", "Method = AES-256 Store", "Method = Store"])
        self.assertEqual(subprocess.run(["7z", "t", "-ppw", self.path("out.exe")], capture_output=True).returncode, 0)

    def test_a_wrong_password_is_rejected_by_7z(self):
        self.make_tree()
        self.mksfx("--password=s3cret", "-o", "out.exe", "tree")
        r = subprocess.run(["7z", "t", "-pwrong", self.path("out.exe")], capture_output=True)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn(b"Wrong password", r.stdout + r.stderr)

    def test_zipcrypto_writes_the_traditional_encryption_that_unzip_reads(self):
        expected = self.make_tree()
        self.mksfx("--zipcrypto", "--password=s3cret", "-o", "out.exe", "tree")
        self.assert_readers_pass(self.path("out.exe"), expected, password="s3cret")
        with zipfile.ZipFile(self.path("out.exe")) as z:
            for info in z.infolist():
                self.assertEqual(bool(info.flag_bits & 1), not info.is_dir(), info.filename)
                self.assertFalse(info.flag_bits & 8, "the check byte is the CRC's: " + info.filename)
                self.assertIn(info.compress_type, (0, 8), info.filename)

    def test_zipcrypto_a_wrong_password_is_rejected_by_unzip(self):
        self.make_tree()
        self.mksfx("--zipcrypto", "--password=s3cret", "-o", "out.exe", "tree")
        r = subprocess.run(["unzip", "-P", "wrong", "-t", self.path("out.exe")], capture_output=True)
        self.assertNotEqual(r.returncode, 0)

    def test_zipcrypto_unzip_P_extracts_the_same_bytes(self):
        self.write("p/data.txt", b"private text " * 100)
        self.mksfx("--zipcrypto", "--password=pw", "-o", "out.exe", "p")
        r = subprocess.run(["unzip", "-P", "pw", "-p", self.path("out.exe"), "p/data.txt"], capture_output=True)
        self.assertEqual(r.stdout, b"private text " * 100)

    def test_zipcrypto_without_a_password_is_a_command_line_error(self):
        self.write("a.txt", b"a")
        r = self.mksfx("--zipcrypto", "-o", "out.exe", "a.txt", code=7)
        self.assertIn(b"--zipcrypto needs --password", r.stderr)
        self.assertFalse(os.path.exists(self.path("out.exe")))

    def test_the_help_says_which_readers_need_zipcrypto_and_why_aes_is_the_default(self):
        help_text = self.mksfx("--help").stdout
        self.assertIn(b"--zipcrypto", help_text)
        self.assertIn(b"Info-ZIP unzip 6", help_text)
        self.assertIn(b"known plaintext", help_text)

    def test_encryption_headers_differ_between_builds(self):
        self.write("a.txt", b"same bytes")
        for traditional in ([], ["--zipcrypto"]):
            self.mksfx(*traditional, "--password=pw", "-o", "one.exe", "a.txt")
            self.mksfx(*traditional, "--password=pw", "-o", "two.exe", "a.txt")
            with open(self.path("one.exe"), "rb") as a, open(self.path("two.exe"), "rb") as b:
                self.assertNotEqual(a.read(), b.read(), traditional)

    def test_a_password_longer_than_the_stub_takes_is_refused(self):
        self.write("a.txt", b"a")
        self.mksfx("--password=" + "x" * 80, "-o", "out.exe", "a.txt", code=7)
        self.assertFalse(os.path.exists(self.path("out.exe")))


class NonSeekable(io.RawIOBase):
    def __init__(self, f):
        self.f = f

    def writable(self):
        return True

    def write(self, b):
        return self.f.write(b)


class FromZip(MksfxCase):
    def convert(self, source, expected, password=None, aes=False):
        self.mksfx("--from-zip", source, "-o", "out.exe")
        self.assert_readers_pass(self.path("out.exe"), expected, password=password, aes=aes)
        with open(self.path("out.exe"), "rb") as f:
            return f.read()

    def zip_to_pipe(self, command, stdin=None):
        """Info-ZIP writing to a pipe, which it cannot seek back in: data descriptors."""
        r = subprocess.run(command, input=stdin, capture_output=True, cwd=self.dir, check=True)
        self.write("in.zip", r.stdout)
        self.assertEqual(struct.unpack_from("<H", r.stdout, 6)[0] & 8, 8, "the input has descriptors")

    def test_aes_entries_of_7z_and_libarchive_are_copied_as_they_are(self):
        expected = {"t/a.txt": text_bytes(self.rnd, 5000), "t/b.bin": os.urandom(40000)}
        for name, data in expected.items():
            self.write(os.path.join("src", name), data)
        subprocess.run(["7z", "a", "-tzip", "-ppw", "-mem=AES192", self.path("in.zip"), "t/a.txt", "t/b.bin"],
                       cwd=self.path("src"), check=True, capture_output=True)
        self.convert(self.path("in.zip"), expected, password="pw", aes=True)
        os.remove(self.path("in.zip"))
        subprocess.run(["bsdtar", "--format", "zip", "--options", "zip:encryption=aes256", "--passphrase", "pw",
                        "-cf", self.path("in.zip"), "t/a.txt", "t/b.bin"], cwd=self.path("src"), check=True)
        self.convert(self.path("in.zip"), expected, password="pw", aes=True)

    def test_an_aes_entry_of_an_unknown_strength_is_refused_by_name(self):
        self.write("src/a.txt", b"a" * 100)
        subprocess.run(["7z", "a", "-tzip", "-ppw", "-mem=AES256", self.path("in.zip"), "a.txt"],
                       cwd=self.path("src"), check=True, capture_output=True)
        with open(self.path("in.zip"), "r+b") as f:
            data = bytearray(f.read())
            at = data.index(b"\x01\x99\x07\x00")  # the local header's AES field comes first
            data[at + 8] = 4
            f.seek(0)
            f.write(data)
        r = self.mksfx("--from-zip", "in.zip", "-o", "out.exe", code=2)
        self.assertIn(b'"a.txt": AES without an AES field the stub reads', r.stderr)
        self.assertFalse(os.path.exists(self.path("out.exe")))

    def test_python_stream_descriptors_are_folded_into_the_headers(self):
        expected = {"first.txt": text_bytes(self.rnd, 5000), "dir/": None, "dir/second.bin": os.urandom(300)}
        with open(self.path("in.zip"), "wb") as f, zipfile.ZipFile(NonSeekable(f), "w", zipfile.ZIP_DEFLATED) as z:
            for name, data in expected.items():
                z.writestr(name, data or b"")
        with open(self.path("in.zip"), "rb") as f:
            self.assertEqual(struct.unpack_from("<H", f.read(), 6)[0] & 8, 8, "the input has descriptors")
        self.convert(self.path("in.zip"), expected)

    def test_infozip_streaming_to_stdout(self):
        expected = {"a.txt": text_bytes(self.rnd, 40000), "b.bin": os.urandom(5000)}
        for n, d in expected.items():
            self.write(n, d)
        self.zip_to_pipe(["zip", "-q", "-", "a.txt", "b.bin"])
        self.convert(self.path("in.zip"), expected)

    def test_infozip_from_stdin_loses_its_zip64_block_once_the_header_has_the_sizes(self):
        data = text_bytes(self.rnd, 30000)
        self.zip_to_pipe(["zip", "-q", "-", "-"], data)
        with open(self.path("in.zip"), "rb") as f:
            self.assertEqual(struct.unpack_from("<I", f.read(), 18)[0], 0xFFFFFFFF, "sizes left to ZIP64")
        out = self.convert(self.path("in.zip"), {"-": data})
        self.assertEqual(struct.unpack_from("<H", out, self.base + 28)[0], 0, "no extra field left")

    def test_a_prefix_in_front_of_the_archive_is_dropped(self):
        expected = {"x.txt": b"x" * 1000}
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("x.txt", expected["x.txt"])
        self.write("in.zip", b"some other program" * 100 + buffer.getvalue())
        data = self.convert(self.path("in.zip"), expected)
        self.assertEqual(data[self.base:self.base + 4], LOCAL)

    def test_each_name_keeps_its_bytes_and_its_flag(self):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as z:
            z.writestr("flagged-Übersicht.txt", b"1")  # zipfile sets flag bit 11
        self.write("in.zip", buffer.getvalue())
        self.write("unflagged-café.txt", b"2")
        with open(self.path("legacy-caf").encode() + b"\xe9.txt", "wb") as f:
            f.write(b"3")
        subprocess.run([b"zip", b"-q", b"-X", b"in.zip", "unflagged-café.txt".encode(), b"legacy-caf\xe9.txt"],
                       cwd=self.dir, check=True)
        self.mksfx("--from-zip", "in.zip", "-o", "out.exe")
        with open(self.path("out.exe"), "rb") as f:
            entries, _ = stub_walk(f.read(), self.base)
        self.assertEqual([(e["raw_name"], e["flags"] & 0x800) for e in entries],
                         [("flagged-Übersicht.txt".encode(), 0x800), ("unflagged-café.txt".encode(), 0),
                          (b"legacy-caf\xe9.txt", 0)])

    def test_encrypted_entries_are_kept_as_they_are(self):
        expected = {"s.txt": text_bytes(self.rnd, 9000)}
        self.write("s.txt", expected["s.txt"])
        subprocess.run(["zip", "-q", "-P", "pw", "in.zip", "s.txt"], cwd=self.dir, check=True)
        with zipfile.ZipFile(self.path("in.zip")) as z:
            before = z.getinfo("s.txt")
        self.convert(self.path("in.zip"), expected, password="pw")
        with zipfile.ZipFile(self.path("out.exe")) as z:
            after = z.getinfo("s.txt")
        self.assertEqual((after.compress_size, after.CRC, after.flag_bits & 1),
                         (before.compress_size, before.CRC, 1))

    def test_streamed_encrypted_entry_keeps_bit_3_and_its_time_with_sizes_in_the_header(self):
        data = text_bytes(self.rnd, 12000)
        self.zip_to_pipe(["zip", "-q", "-P", "pw", "-", "-"], data)
        with zipfile.ZipFile(self.path("in.zip")) as z:
            before = z.getinfo("-")
        self.assertTrue(before.flag_bits & 8)
        self.mksfx("--from-zip", "in.zip", "-o", "out.exe")
        with open(self.path("out.exe"), "rb") as f:
            out = f.read()
        entries, _ = stub_walk(out, self.base)
        self.assertEqual(len(entries), 1)
        entry = entries[0]
        self.assertEqual(entry["flags"] & 9, 9)
        self.assertEqual(entry["csize"], before.compress_size)
        self.assertEqual(entry["crc"], before.CRC)
        r = subprocess.run(["unzip", "-P", "pw", "-p", self.path("out.exe"), "-"], capture_output=True)
        self.assertEqual(r.stdout, data)

    @staticmethod
    def with_central_records(archive, records):
        """The archive (no comment) with more records at the end of its central directory."""
        size, offset = struct.unpack_from("<II", archive, len(archive) - 10)
        central = archive[offset:offset + size] + b"".join(records)
        count = len(zipfile.ZipFile(io.BytesIO(archive)).infolist()) + len(records)
        return archive[:offset] + central + struct.pack("<4s4H2IH", b"PK\x05\x06", 0, 0, count, count, len(central),
                                                        offset, 0)

    @staticmethod
    def central_record(archive, name, new_name=None, local_offset=None):
        """The archive's central record for name, renamed or pointed elsewhere if asked."""
        at = struct.unpack_from("<I", archive, len(archive) - 6)[0]
        while True:
            nlen, xlen, clen = struct.unpack_from("<HHH", archive, at + 28)
            if archive[at + 46:at + 46 + nlen] == name.encode():
                break
            at += 46 + nlen + xlen + clen
        record = bytearray(archive[at:at + 46 + nlen + xlen + clen])
        if local_offset is not None:
            struct.pack_into("<I", record, 42, local_offset)
        if new_name is not None:
            record[46:46 + nlen] = new_name.encode()
            struct.pack_into("<H", record, 28, len(new_name))
        return bytes(record)

    def assert_refused_with_nothing_written(self, names):
        r = self.mksfx("--from-zip", "in.zip", "-o", "out.exe", code=2)
        for n in names:
            self.assertIn(n.encode(), r.stderr)
        self.assertEqual([f for f in os.listdir(self.dir) if f.startswith("out.exe")], [])
        return r

    def test_central_records_pointing_at_one_entry_are_refused_and_nothing_written(self):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as z:
            z.writestr("small.txt", b"small")
            z.writestr("big.bin", os.urandom(1 << 20))
        archive = buffer.getvalue()
        copies = [self.central_record(archive, "big.bin", new_name="copy%02d.bin" % i) for i in range(63)]
        self.write("in.zip", self.with_central_records(archive, copies))
        with zipfile.ZipFile(self.path("in.zip")) as z:
            self.assertEqual(len(z.namelist()), 65)
        r = self.assert_refused_with_nothing_written(['"copy00.bin" and "big.bin" overlap',
                                                      '"copy62.bin" and "big.bin" overlap'])
        self.assertEqual(r.stderr.count(b"overlap"), 63)
        self.assertNotIn(b'"small.txt"', r.stderr)

    def test_a_record_pointing_into_another_entrys_data_is_refused(self):
        inner = io.BytesIO()
        with zipfile.ZipFile(inner, "w", zipfile.ZIP_STORED) as z:
            z.writestr("inner.txt", b"hidden in the outer entry's data")
        inner = inner.getvalue()
        outer = io.BytesIO()
        with zipfile.ZipFile(outer, "w", zipfile.ZIP_STORED) as z:
            z.writestr("outer.bin", inner[:inner.index(CENTRAL)])  # a whole local entry as data
        outer = outer.getvalue()
        data_at = 30 + len("outer.bin")  # behind the first local header, which has no extra field
        self.assertEqual(outer[data_at:data_at + 4], LOCAL)
        record = self.central_record(inner, "inner.txt", local_offset=data_at)
        self.write("in.zip", self.with_central_records(outer, [record]))
        with zipfile.ZipFile(self.path("in.zip")) as z:
            self.assertEqual(z.read("inner.txt"), b"hidden in the outer entry's data")
        self.assert_refused_with_nothing_written(['"inner.txt" and "outer.bin" overlap'])

    def test_entries_that_only_touch_are_taken(self):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as z:
            z.writestr("empty", b"")
            z.writestr("next", b"n")
        self.write("in.zip", buffer.getvalue())
        self.convert(self.path("in.zip"), {"empty": b"", "next": b"n"})

    def test_a_bzip2_entry_is_refused_by_name_and_nothing_written(self):
        self.write("plain.txt", b"plain")
        self.write("squeezed.txt", text_bytes(self.rnd, 20000))
        subprocess.run(["zip", "-q", "-Z", "bzip2", "in.zip", "squeezed.txt"], cwd=self.dir, check=True)
        r = self.mksfx("--from-zip", "in.zip", "-o", "out.exe", code=2)
        self.assertIn(b'"squeezed.txt"', r.stderr)
        self.assertIn(b"method 12", r.stderr)
        self.assertFalse(os.path.exists(self.path("out.exe")))
        self.assertEqual(os.listdir(self.dir).count("out.exe"), 0)

    def test_every_refused_method_is_named(self):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as z:
            z.writestr("ok.txt", b"fine")
            z.writestr("b.txt", b"b" * 1000, compress_type=zipfile.ZIP_BZIP2)
            z.writestr("l.txt", b"l" * 1000, compress_type=zipfile.ZIP_LZMA)
        self.write("in.zip", buffer.getvalue())
        r = self.mksfx("--from-zip", "in.zip", "-o", "out.exe", code=2)
        self.assertIn(b'"b.txt"', r.stderr)
        self.assertIn(b'"l.txt"', r.stderr)
        self.assertNotIn(b'"ok.txt"', r.stderr)


class Refusals(MksfxCase):
    def write_zip(self, name, entries, method=zipfile.ZIP_DEFLATED):
        with zipfile.ZipFile(self.path(name), "w", method) as z:
            for entry, data in entries:
                z.writestr(entry, data)
        return self.path(name)

    def zip_with_names(self, names):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as z:
            for n in names:
                info = zipfile.ZipInfo("placeholder")
                info.filename = n  # as written, without zipfile's own clean-up
                z.writestr(info, b"" if n.endswith(("/", "\\")) else b"data")
        return self.write("in.zip", buffer.getvalue())

    def assert_refused_untouched(self, args, names):
        self.write("out.exe", b"the previous exe")
        r = self.mksfx(*args, "-o", "out.exe", code=2)
        for n in names:
            self.assertIn(n.encode(), r.stderr)
        with open(self.path("out.exe"), "rb") as f:
            self.assertEqual(f.read(), b"the previous exe")
        self.assertEqual([f for f in os.listdir(self.dir) if ".tmp-" in f], [])
        return r

    def test_unsafe_names_from_a_zip_are_refused_each_by_name(self):
        self.zip_with_names(["good.txt", "../evil.txt", "a/CON.txt", "x:y", "/abs", "dots./f"])
        self.assert_refused_untouched(["--from-zip", "in.zip"], ['"../evil.txt"', '"a/CON.txt"', '"x:y"', '"/abs"', '"dots./f"'])

    def test_a_unicode_path_name_is_judged_as_the_stub_reads_it(self):
        # An ASCII stand-in in the header, and a matching Unicode Path field that climbs out.
        name = b"safe.txt"
        field = struct.pack("<BI", 1, zlib.crc32(name)) + "../ä.txt".encode()
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as z:
            info = zipfile.ZipInfo(name.decode())
            info.extra = struct.pack("<HH", 0x7075, len(field)) + field
            z.writestr(info, b"data")
        self.write("in.zip", buffer.getvalue())
        self.assert_refused_untouched(["--from-zip", "in.zip"], ['"../ä.txt"'])

    def test_an_empty_name_is_refused(self):
        self.zip_with_names(["good.txt", ""])
        r = self.assert_refused_untouched(["--from-zip", "in.zip"], [])
        self.assertIn(b"empty name", r.stderr)

    def test_unsafe_file_names_in_a_folder_are_refused(self):
        self.write("tree/aux.txt", b"a")
        self.write("tree/ends with dot.", b"b")
        self.write("tree/fine.txt", b"c")
        self.assert_refused_untouched(["tree"], ['"tree/aux.txt"', '"tree/ends with dot."'])

    def test_a_file_name_that_is_not_utf8_is_refused_by_name(self):
        self.write("tree/fine.txt", b"a")
        with open(self.path("tree").encode() + b"/caf\xe9.txt", "wb") as f:
            f.write(b"b")
        r = self.assert_refused_untouched(["tree"], [])
        self.assertIn(b'"tree/caf\\xE9.txt": the file name is not UTF-8', r.stderr)

    def test_a_name_is_taken_up_to_the_longest_path_the_stub_writes_and_refused_beyond(self):
        levels = ["level-%02d-" % n + "x" * 240 for n in range(12)]
        deep = "/".join(levels) + "/f.txt"  # 3,005 characters (Info-ZIP unzip takes 4,096)
        self.write_zip("in.zip", [(deep, b"deep")])
        self.mksfx("--from-zip", "in.zip", "-o", "ok.exe")
        self.assert_readers_pass(self.path("ok.exe"), {deep: b"deep"})
        too_long = "/".join(["y" * 250] * 131)  # 32,880 characters: no extract path leaves room
        self.write_zip("long.zip", [(too_long, b"x")])
        self.assert_refused_untouched(["--from-zip", "long.zip"], ["32880 characters", "32506"])

    def test_a_file_whose_name_ends_in_a_backslash_is_refused(self):
        # The stub makes a folder of such a name: the file's data would be left out in silence.
        self.write("t/x\\", b"data")
        self.assert_refused_untouched(["t"], ['"t/x\\": a file whose name ends in "\\", which the stub takes for a folder'])
        with zipfile.ZipFile(self.path("in.zip"), "w") as z:
            z.writestr("old-style\\", b"")
            z.writestr("caf\u00e9\\", b"data")
        self.assert_refused_untouched(["--from-zip", "in.zip"],
                                      ['"caf\u00e9\\": holds data, but its name ends in a separator'])
        with zipfile.ZipFile(self.path("in.zip"), "w") as z:
            z.writestr("old-style\\", b"")
        self.mksfx("--from-zip", "in.zip", "-o", "folder.exe")

    def test_names_differing_only_in_case_are_refused_unless_allowed(self):
        self.write("t/Readme.txt", b"1")
        self.write("t/README.txt", b"2")
        self.assert_refused_untouched(["t"], ['"t/Readme.txt"', '"t/README.txt"'])
        self.mksfx("--allow-case-duplicates", "-o", "both.exe", "t")
        with zipfile.ZipFile(self.path("both.exe")) as z:
            self.assertEqual(len(z.namelist()), 3)

    def test_names_that_differ_in_their_separators_are_refused_even_with_allow_case_duplicates(self):
        self.zip_with_names(["a/b.txt", "a\\b.txt", "a//b.txt"])
        for allow in [[], ["--allow-case-duplicates"]]:
            r = self.assert_refused_untouched(allow + ["--from-zip", "in.zip"],
                                              ['"a\\b.txt" and "a/b.txt" are one path',
                                               '"a//b.txt" and "a/b.txt" are one path'])
            self.assertNotIn(b"letter case", r.stderr)

    def test_names_that_ntfs_folds_alike_are_refused_unless_allowed(self):
        pairs = [("A.txt", "a.txt"), ("\u0490.txt", "\u0491.txt"), ("\u03c2.txt", "\u03c3.txt")]  # Ґ ґ, ς σ
        for pair in pairs:
            for n in pair:
                self.write("t/" + n, n.encode())
        r = self.assert_refused_untouched(["t"], [])
        for first, second in pairs:
            self.assertIn(('"t/%s" and "t/%s" differ only in letter case' % (second, first)).encode(), r.stderr)
        self.mksfx("--allow-case-duplicates", "-o", "all.exe", "t")
        with zipfile.ZipFile(self.path("all.exe")) as z:
            self.assertEqual(sorted(z.namelist()), sorted(["t/"] + ["t/" + n for pair in pairs for n in pair]))

    def test_names_that_ntfs_keeps_apart_are_taken(self):
        names = ["\u00df.txt", "\u1e9e.txt", "k.txt", "\u212a.txt"]  # ß ẞ, k and the Kelvin sign
        for n in names:
            self.write("t/" + n, n.encode())
        self.mksfx("-o", "out.exe", "t")
        self.assert_readers_pass(self.path("out.exe"), dict({"t/": None}, **{"t/" + n: n.encode() for n in names}))

    def test_a_file_where_another_entry_needs_a_folder_is_refused(self):
        self.zip_with_names(["a", "a/b.txt", "c/", "c"])
        for allow in [[], ["--allow-case-duplicates"]]:
            self.assert_refused_untouched(allow + ["--from-zip", "in.zip"],
                                          ['"a" is a file, and "a/b.txt" needs a folder',
                                           '"c" is a file, and "c/" needs a folder'])

    def test_a_file_and_a_folder_that_differ_only_in_case_are_refused_even_when_allowed(self):
        self.write("t/X", b"file")
        self.write("t/x/inner.txt", b"below a folder")
        r = self.assert_refused_untouched(["--allow-case-duplicates", "t"],
                                          ['"t/X" is a file, and "t/x/" needs a folder'])
        self.assertIn(b"cannot make both", r.stderr)

    def test_folders_at_one_path_merge(self):
        self.zip_with_names(["d/", "D/", "d\\", "d//", "d/f.txt"])
        self.mksfx("--from-zip", "in.zip", "-o", "out.exe")
        with zipfile.ZipFile(self.path("out.exe")) as z:
            self.assertEqual(z.namelist(), ["d/", "D/", "d\\", "d//", "d/f.txt"])

    def test_the_same_name_from_two_arguments_is_refused(self):
        self.write("one/x.txt", b"1")
        self.write("two/x.txt", b"2")
        self.assert_refused_untouched(["one/x.txt", "two/x.txt"], ['"x.txt"'])

    def assert_no_control_characters(self, output):
        self.assertIsNone(re.search(rb"[\x00-\x09\x0b-\x1f\x7f]|\xc2[\x80-\x9f]", output), output)

    def test_a_name_with_an_escape_sequence_and_a_carriage_return_is_printed_spelled_out(self):
        self.write("t/clear\x1b[2J\rfake.txt", b"1")
        r = self.assert_refused_untouched(["t"], [])
        self.assertIn(b'"t/clear\\x1B[2J\\x0Dfake.txt": the stub refuses this name as unsafe', r.stderr)
        self.assert_no_control_characters(r.stderr)

    def test_a_c1_control_in_a_name_from_a_zip_is_printed_as_its_code_point(self):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as z:
            z.writestr("csi\u009b2J.txt", b"b" * 1000, compress_type=zipfile.ZIP_BZIP2)
        self.write("in.zip", buffer.getvalue())
        r = self.assert_refused_untouched(["--from-zip", "in.zip"], [])
        self.assertIn(b'"csi\\u009B2J.txt": compression method 12', r.stderr)
        self.assert_no_control_characters(r.stderr)

    def test_a_skipped_link_is_named_with_its_control_characters_spelled_out(self):
        self.write("t/file.txt", b"1")
        os.makedirs(self.path("elsewhere"))
        os.symlink(self.path("elsewhere"), self.path("t", "title\x1b]0;owned\x07"))
        r = self.mksfx("-o", "out.exe", "t", code=1)
        self.assertIn(b"title\\x1B]0;owned\\x07: link to a folder, not followed", r.stderr)
        self.assert_no_control_characters(r.stderr)

    def test_a_file_of_4_gib_to_be_stored_is_refused_before_anything_is_written(self):
        with open(self.path("huge.bin"), "wb") as f:
            f.truncate(4 << 30)  # sparse: takes no disk space
        r = self.assert_refused_untouched(["-0", "huge.bin"], ["huge.bin"])
        self.assertIn(b"the exe would reach 4 GiB, and Windows starts no program that large", r.stderr)
        self.assertIn(b"a plain ZIP", r.stderr)

    def test_a_stub_of_the_wrong_size_is_refused(self):
        self.write("a.txt", b"a")
        self.write("short.exe", fake_stub(self.base - 1))
        r = self.mksfx("--stub", self.path("short.exe"), "-o", "out.exe", "a.txt", code=2, stub=False)
        self.assertIn(str(self.base).encode(), r.stderr)
        self.assertFalse(os.path.exists(self.path("out.exe")))

    def test_a_stub_holding_a_zip_signature_is_refused(self):
        self.write("a.txt", b"a")
        stub = bytearray(fake_stub(self.base))
        stub[100:104] = LOCAL
        self.write("zippy.exe", bytes(stub))
        r = self.mksfx("--stub", self.path("zippy.exe"), "-o", "out.exe", "a.txt", code=2, stub=False)
        self.assertIn(b"signature", r.stderr)

    def test_the_output_named_as_an_input_is_an_error(self):
        self.write("same.exe", b"old")
        r = self.mksfx("-o", "same.exe", "same.exe", code=2)
        self.assertIn(b"output file itself", r.stderr)
        with open(self.path("same.exe"), "rb") as f:
            self.assertEqual(f.read(), b"old")

    def test_a_missing_input_is_an_error(self):
        r = self.mksfx("-o", "out.exe", "nothing-here", code=2)
        self.assertIn(b"nothing-here", r.stderr)


class Zip64(MksfxCase):
    """What needs the ZIP64 format: more than 65,535 entries, and an entry of 4 GiB or more (a
    sparse disk image that deflates to little). Every reader takes the output as any ZIP64 file."""

    def test_more_than_65535_entries_get_zip64_end_records_every_reader_takes(self):
        count = 70000
        names = ["f/%05d.txt" % n for n in range(count)]
        with zipfile.ZipFile(self.path("many.zip"), "w", zipfile.ZIP_STORED) as z:
            for name in names:
                z.writestr(name, name.encode())
        self.mksfx("--from-zip", "many.zip", "-o", "out.exe")
        with open(self.path("out.exe"), "rb") as f:
            data = f.read()
        self.assertIn(b"PK\x06\x06", data[-200:])  # the ZIP64 end record
        self.assertIn(b"PK\x06\x07", data[-200:])  # and its locator
        self.assertEqual(struct.unpack_from("<H", data, data.rindex(b"PK\x05\x06") + 10)[0], 0xFFFF)
        expected = {name: None for name in names}
        expected[names[-1]] = names[-1].encode()
        self.assert_readers_pass(self.path("out.exe"), expected)

    def test_an_entry_of_more_than_4_gib_gets_its_sizes_in_a_zip64_field_every_reader_takes(self):
        size = (4 << 30) + 12345
        with open(self.path("disk.img"), "wb") as f:
            f.truncate(size)  # sparse zeros: no disk space, a few megabytes deflated
        self.write("readme.txt", b"read me")
        self.mksfx("-1", "-o", "out.exe", "disk.img", "readme.txt")
        with open(self.path("out.exe"), "rb") as f:
            data = f.read()
        entries, _ = stub_walk(data, self.base)
        self.assertEqual([(e["name"], e["zip64"], e["usize"]) for e in entries],
                         [("disk.img", True, size), ("readme.txt", False, 7)])
        with zipfile.ZipFile(self.path("out.exe")) as z:
            self.assertEqual(z.getinfo("disk.img").file_size, size)
        self.assert_readers_pass(self.path("out.exe"), {"disk.img": None, "readme.txt": b"read me"})


class Checksum(MksfxCase):
    """osslsigncode verify judges the PE checksum of an unsigned file too (and then says it
    found no signature)."""

    def assert_checksum_right(self, exe):
        _, report = pe_checks.verify(exe, "/dev/null")
        self.assertIn("No signature found", report)
        self.assertTrue(pe_checks.checksum_is_right(exe, report), report)

    def test_an_exe_from_files_carries_the_checksum_of_the_whole_file(self):
        self.make_tree()
        self.mksfx("-o", "out.exe", "tree")
        self.assert_checksum_right(self.path("out.exe"))

    def test_an_exe_from_a_zip_carries_the_checksum_of_the_whole_file(self):
        self.write("in.zip", self.stored_zip(1000))
        self.mksfx("--from-zip", "in.zip", "-o", "out.exe")
        self.assert_checksum_right(self.path("out.exe"))

    @staticmethod
    def stored_zip(size):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as z:
            z.writestr("data.bin", b"d" * size)
        return buffer.getvalue()

    def test_an_archive_of_odd_length_is_made_even_and_reads_the_same(self):
        # Checksum programs differ over an odd last byte; an even length leaves one answer.
        lengths = []
        for size in (1000, 1001):
            self.write("in.zip", self.stored_zip(size))
            self.mksfx("--from-zip", "in.zip", "-o", "out.exe")
            lengths.append(os.path.getsize(self.path("out.exe")))
            self.assert_readers_pass(self.path("out.exe"), {"data.bin": b"d" * size})
            self.assert_checksum_right(self.path("out.exe"))
        self.assertEqual([n % 2 for n in lengths], [0, 0])
        self.assertEqual(lengths[1] - lengths[0], 2, "one byte of data, one of padding")

    def test_the_stub_alone_does_not_pass(self):
        # The checker tells a wrong checksum from a right one: the stub's own field is zero.
        _, report = pe_checks.verify(self.stub, "/dev/null")
        self.assertFalse(pe_checks.osslsigncode_says_checksum_right(report), report)
        self.assertFalse(pe_checks.checksum_is_right(self.stub, report), report)


class Signing(MksfxCase):
    @classmethod
    def setUpClass(cls):
        cls.certificates = tempfile.mkdtemp(prefix="mksfx-certificates-")
        cls.ca, cls.p12 = pe_checks.make_signing_certificate(cls.certificates)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.certificates, ignore_errors=True)

    def sign(self, *args, password=pe_checks.PASSWORD, code=0, path=None, certificate=None):
        """mksfx --sign with the password in the environment (none when None) and no terminal
        to ask on."""
        env = dict(os.environ)
        env.pop(SIGN_PASSWORD, None)
        if password is not None:
            env[SIGN_PASSWORD] = password
        if path is not None:
            env["PATH"] = path
        r = subprocess.run([MKSFX, "--stub", self.stub, "-q", "--sign", certificate or self.p12, *args],
                           capture_output=True,
                           cwd=self.dir, env=env, stdin=subprocess.DEVNULL, start_new_session=True)
        self.assertEqual(r.returncode, code, r.stderr.decode(errors="replace"))
        return r

    def assert_nothing_written(self, *inputs):
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(["a.txt", "stub.exe", *inputs]))

    def test_the_signature_verifies_against_the_issuing_authority(self):
        self.make_tree()
        self.sign("-o", "out.exe", "tree")
        code, report = pe_checks.verify(self.path("out.exe"), self.ca)
        self.assertEqual(code, 0, report)
        self.assertIn("Signature verification: ok", report)
        self.assertIn("Message digest algorithm  : SHA256", report)
        self.assertIn("Subject: /CN=kvx-sfx test publisher", report)
        self.assertTrue(pe_checks.checksum_is_right(self.path("out.exe"), report), report)

    def test_every_reader_and_the_stubs_walk_accept_a_signed_exe(self):
        expected = self.make_tree()
        self.sign("--password=pw", "-o", "out.exe", "tree")
        self.assert_readers_pass(self.path("out.exe"), expected, password="pw", aes=True)

    def test_signing_changes_nothing_but_two_header_fields_and_appends_the_signature(self):
        self.make_tree()
        self.mksfx("--reproducible", "-o", "plain.exe", "tree")
        self.sign("--reproducible", "-o", "signed.exe", "tree")
        with open(self.path("plain.exe"), "rb") as a, open(self.path("signed.exe"), "rb") as b:
            plain, signed = a.read(), b.read()
        self.assertEqual(pe_checks.without_stamped_fields(signed[:len(plain)]), pe_checks.without_stamped_fields(plain))
        self.assertNotEqual(signed[:len(plain)], plain, "the header says where the signature is")
        self.assertGreater(len(signed), len(plain) + 1000)

    def test_a_byte_changed_after_signing_breaks_the_signature(self):
        self.write("a.txt", b"signed content")
        self.sign("-0", "-o", "out.exe", "a.txt")
        with open(self.path("out.exe"), "r+b") as f:
            data = f.read()
            f.seek(data.index(b"signed content"))
            f.write(b"S")
        _, report = pe_checks.verify(self.path("out.exe"), self.ca)
        self.assertNotIn("Signature verification: ok", report)
        self.assertIn("MISMATCH", report)

    def test_a_wrong_password_writes_nothing_and_keeps_the_previous_exe(self):
        self.write("a.txt", b"a")
        self.write("out.exe", b"the previous exe")
        r = self.sign("-o", "out.exe", "a.txt", password="wrong", code=2)
        self.assertIn(b"signing failed", r.stderr)
        with open(self.path("out.exe"), "rb") as f:
            self.assertEqual(f.read(), b"the previous exe")
        self.assertEqual(sorted(os.listdir(self.dir)), ["a.txt", "out.exe", "stub.exe"])

    def test_a_missing_certificate_is_named_and_nothing_written(self):
        self.write("a.txt", b"a")
        r = self.sign("-o", "out.exe", "a.txt", certificate=self.path("none.p12"), code=2)
        self.assertIn(b"none.p12: cannot read the certificate", r.stderr)
        self.assert_nothing_written()

    def test_a_file_that_is_no_certificate_fails_and_writes_nothing(self):
        self.write("a.txt", b"a")
        shutil.copy(self.ca, self.path("ca-only.pem"))
        r = self.sign("-o", "out.exe", "a.txt", certificate=self.path("ca-only.pem"), code=2)
        self.assertIn(b"signing failed", r.stderr)
        self.assert_nothing_written("ca-only.pem")

    def test_without_the_tool_it_says_so_and_writes_nothing(self):
        self.write("a.txt", b"a")
        os.makedirs(self.path("empty-path"))
        r = self.sign("-o", "out.exe", "a.txt", code=2, path=self.path("empty-path"))
        self.assertIn(b"osslsigncode on PATH", r.stderr)
        self.assert_nothing_written("empty-path")

    def test_without_password_or_terminal_it_is_refused_before_any_work(self):
        self.write("a.txt", b"a")
        r = self.sign("-o", "out.exe", "a.txt", password=None, code=7)
        self.assertIn(SIGN_PASSWORD.encode(), r.stderr)
        self.assert_nothing_written()

    def test_the_password_is_asked_on_the_terminal_without_echo(self):
        self.write("a.txt", b"a")
        env_password = os.environ.pop(SIGN_PASSWORD, None)
        try:
            code, shown = run_on_terminal([MKSFX, "--stub", self.stub, "-q", "--sign", self.p12, "-o", "out.exe",
                                           "a.txt"], self.dir, [pe_checks.PASSWORD.encode() + b"\n"])
        finally:
            if env_password is not None:
                os.environ[SIGN_PASSWORD] = env_password
        self.assertEqual(code, 0, shown)
        self.assertIn(b"Password of", shown)
        self.assertNotIn(pe_checks.PASSWORD.encode(), shown)
        self.assertIn("Signature verification: ok", pe_checks.verify(self.path("out.exe"), self.ca)[1])

    def test_the_password_reaches_the_tool_on_its_input_never_in_its_arguments(self):
        # A stand-in osslsigncode that records what it is given and copies its input file.
        tools = self.path("tools")
        os.makedirs(tools)
        fake = os.path.join(tools, "osslsigncode")
        with open(fake, "w") as f:
            f.write('#!/bin/sh\nprintf "%s\\n" "$@" > "$0.arguments"\n/bin/cat > "$0.input"\n'
                    'while [ "$1" != -out ]; do [ "$1" = -in ] && from=$2; shift; done\n/bin/cp "$from" "$2"\n')
        os.chmod(fake, 0o755)
        self.write("a.txt", b"a")
        self.sign("--timestamp", "http://tsa.example/", "-o", "out.exe", "a.txt", path=tools)
        with open(fake + ".arguments") as f:
            arguments = f.read().split("\n")
        with open(fake + ".input") as f:
            self.assertEqual(f.read(), pe_checks.PASSWORD)
        self.assertNotIn(pe_checks.PASSWORD, "\n".join(arguments))
        self.assertEqual(arguments[arguments.index("-h") + 1], "sha256")
        self.assertEqual(arguments[arguments.index("-ts") + 1], "http://tsa.example/")
        self.assertEqual(arguments[arguments.index("-pkcs12") + 1], self.p12)
        self.assertTrue(os.path.exists(self.path("out.exe")))


def run_on_terminal(args, cwd, typed):
    """Runs a command with a terminal as its controlling terminal and stdin/stdout/stderr,
    types the given text once it shows a prompt, and returns (exit code, everything shown)."""
    pid, master = pty.fork()
    if pid == 0:
        os.chdir(cwd)
        os.execv(args[0], args)
    shown = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
        # One answer per prompt, typed only once the prompt is out: the tool discards input
        # typed before it turns echo off.
        if typed and shown.endswith(b": "):
            os.write(master, typed.pop(0))
    _, status = os.waitpid(pid, 0)
    os.close(master)
    return os.waitstatus_to_exitcode(status), shown


class Terminal(MksfxCase):
    def test_the_password_is_asked_twice_without_echo(self):
        self.write("t/a.txt", b"on the terminal")
        code, shown = run_on_terminal([MKSFX, "--stub", self.stub, "--password", "-o", "out.exe", "t"],
                                      self.dir, [b"typed-pw\n", b"typed-pw\n"])
        self.assertEqual(code, 0, shown)
        self.assertIn(b"Password:", shown)
        self.assertIn(b"Again:", shown)
        self.assertNotIn(b"typed-pw", shown)
        r = subprocess.run(["7z", "x", "-so", "-ptyped-pw", self.path("out.exe"), "t/a.txt"], capture_output=True)
        self.assertEqual(r.stdout, b"on the terminal")

    def test_two_different_passwords_write_nothing(self):
        self.write("t/a.txt", b"x")
        code, _ = run_on_terminal([MKSFX, "--stub", self.stub, "--password", "-o", "out.exe", "t"],
                                  self.dir, [b"one\n", b"two\n"])
        self.assertEqual(code, 7)
        self.assertFalse(os.path.exists(self.path("out.exe")))

    def test_a_large_input_shows_a_progress_bar_unless_quiet(self):
        self.write("big/data.bin", text_bytes(self.rnd, 20 << 20))
        code, shown = run_on_terminal([MKSFX, "--stub", self.stub, "-o", "out.exe", "big"], self.dir, [])
        self.assertEqual(code, 0, shown)
        self.assertIn(b"100%", shown)
        code, shown = run_on_terminal([MKSFX, "--stub", self.stub, "-q", "-o", "out.exe", "big"], self.dir, [])
        self.assertEqual((code, shown), (0, b""))

    def test_a_small_input_shows_no_progress_bar(self):
        self.write("small/a.txt", b"a")
        code, shown = run_on_terminal([MKSFX, "--stub", self.stub, "-o", "out.exe", "small"], self.dir, [])
        self.assertEqual(code, 0, shown)
        self.assertNotIn(b"%", shown)


class CommandLine(MksfxCase):
    def test_help_documents_the_exit_codes(self):
        r = self.mksfx("--help")
        self.assertIn(b"Exit codes", r.stdout)

    def test_usage_errors_exit_7(self):
        self.mksfx("a.txt", code=7)
        self.mksfx("-o", "out.exe", code=7)
        self.mksfx("--bogus", "-o", "out.exe", "a", code=7)
        self.mksfx("-o", "out.exe", "--from-zip", "in.zip", "extra", code=7)
        self.mksfx("-o", "out.exe", "--from-zip", "in.zip", "--reproducible", code=7)
        self.mksfx("-o", "out.exe", "--from-zip", "in.zip", "--password=pw", code=7)

    def test_timestamp_needs_sign(self):
        self.mksfx("--timestamp", "http://tsa.example/", "-o", "out.exe", "a.txt", code=7)

    def test_64_cannot_be_combined_with_stub(self):
        self.mksfx("--64", "-o", "out.exe", "a.txt", code=7)

    def built_with_own_stubs(self, *options, beside=I386):
        """mksfx copied into a build-like tree, windows/ (mksfx and a stub of the machine
        `beside`) and windows64/ (a 64-bit stub); returns the stub its output starts with."""
        stubs = {"windows/sfx.exe": fake_stub(self.base, beside, seed=11),
                 "windows64/sfx.exe": fake_stub(self.base, AMD64, seed=13)}
        for name, data in stubs.items():
            self.write(name, data)
        shutil.copy(MKSFX, self.path("windows", "mksfx"))
        self.write("a.txt", b"a")
        r = subprocess.run([self.path("windows", "mksfx"), "-q", *options, "-o", "out.exe", "a.txt"],
                           cwd=self.dir, capture_output=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("out.exe"), "rb") as f:
            head = pe_checks.without_stamped_fields(f.read(self.base))
        return next(name for name, data in stubs.items() if pe_checks.without_stamped_fields(data) == head)

    def test_without_stub_option_the_32_bit_sfx_exe_beside_mksfx_is_used(self):
        self.assertEqual(self.built_with_own_stubs(), "windows/sfx.exe")

    def test_64_takes_the_64_bit_stub_of_the_sibling_build_folder(self):
        self.assertEqual(self.built_with_own_stubs("--64"), "windows64/sfx.exe")

    def test_64_takes_a_64_bit_stub_beside_mksfx(self):
        self.assertEqual(self.built_with_own_stubs("--64", beside=AMD64), "windows/sfx.exe")


def preset_layout():
    """Where the preset block's fields lie (format.h): the marker with its terminator, the
    version (32 bits), then the title and the folder fields."""
    with open(FORMAT_H) as f:
        text = f.read()
    marker = re.search(r'PresetMarker\[\]\s*=\s*"([^"]*)"', text).group(1).encode() + b"\0"
    version = int(re.search(r"PresetVersion\s*=\s*(\d+)", text).group(1))
    title_size = int(re.search(r"PresetTitleCharacters\s*=\s*(\d+)", text).group(1)) * 3 + 1
    path_size = int(re.search(r"ExtractPathCharacters\s*=\s*(\d+)", text).group(1)) * 3 + 1
    return marker + struct.pack("<I", version), title_size, path_size


class Presets(MksfxCase):
    """--title and --path go into the block the stub carries for them, before the checksum."""
    BLOCK_AT = 0x400

    def setUp(self):
        super().setUp()
        self.head, self.title_size, self.path_size = preset_layout()
        stub = bytearray(fake_stub(self.base))
        stub[self.BLOCK_AT:self.BLOCK_AT + len(self.head) + self.title_size + self.path_size] = (
            self.head + bytes(self.title_size + self.path_size))
        with open(self.stub, "wb") as f:
            f.write(stub)
        self.write("a.txt", b"a")

    def fields(self, exe):
        with open(exe, "rb") as f:
            data = f.read()
        at = self.BLOCK_AT + len(self.head)
        self.assertEqual(data[self.BLOCK_AT:at], self.head)
        title, folder = data[at:at + self.title_size], data[at + self.title_size:at + self.title_size + self.path_size]
        return title.rstrip(b"\0"), folder.rstrip(b"\0"), data

    def test_the_title_and_the_path_fill_the_block_and_the_rest_of_the_stub_is_unchanged(self):
        self.mksfx("--title", "Setup f\u00fcr Quorvane", "--path", "%USERPROFILE%\\Quorvane", "-o", "out.exe", "a.txt")
        title, folder, data = self.fields(self.path("out.exe"))
        self.assertEqual(title, "Setup f\u00fcr Quorvane".encode())
        self.assertEqual(folder, b"%USERPROFILE%\\Quorvane")
        with open(self.stub, "rb") as f:
            stub = f.read()
        block_end = self.BLOCK_AT + len(self.head) + self.title_size + self.path_size
        self.assertEqual(pe_checks.without_stamped_fields(data[:self.BLOCK_AT]), pe_checks.without_stamped_fields(stub[:self.BLOCK_AT]))
        self.assertEqual(data[block_end:self.base], stub[block_end:])
        self.assertEqual(subprocess.run(["unzip", "-tq", self.path("out.exe")], capture_output=True).returncode, 0)

    def test_the_checksum_covers_the_presets(self):
        self.mksfx("--title", "Quorvane", "-o", "out.exe", "a.txt")
        _, report = pe_checks.verify(self.path("out.exe"), "/dev/null")
        self.assertTrue(pe_checks.checksum_is_right(self.path("out.exe"), report), report)

    def test_a_text_as_long_as_its_field_takes_is_written_whole(self):
        longest = "T" * (self.title_size - 1)
        self.mksfx("--title", longest, "-o", "out.exe", "a.txt")
        self.assertEqual(self.fields(self.path("out.exe"))[0], longest.encode())

    def test_a_title_or_a_path_too_long_for_its_field_is_refused_and_nothing_written(self):
        for option, size in (("--title", self.title_size), ("--path", self.path_size)):
            r = self.mksfx(option, "x" * size, "-o", "out.exe", "a.txt", code=7)
            self.assertIn(option.encode() + b" is %d bytes" % size, r.stderr)
            self.assertFalse(os.path.exists(self.path("out.exe")))

    def test_a_stub_without_the_block_is_refused_with_a_message_and_nothing_written(self):
        self.write("old.exe", fake_stub(self.base))
        r = self.mksfx("--stub", self.path("old.exe"), "--title", "Quorvane", "-o", "out.exe", "a.txt",
                       code=2, stub=False)
        self.assertIn(b"no block for --title and --path", r.stderr)
        self.assertFalse(os.path.exists(self.path("out.exe")))

    def test_without_presets_a_stub_without_the_block_is_taken(self):
        self.write("old.exe", fake_stub(self.base))
        self.mksfx("--stub", self.path("old.exe"), "-o", "out.exe", "a.txt", stub=False)
        self.assertTrue(os.path.exists(self.path("out.exe")))


if __name__ == "__main__":
    args = sys.argv[1:]
    rest = args[args.index("--") + 1:] if "--" in args else []
    args = args[:args.index("--")] if "--" in args else args
    MKSFX, FORMAT_H = args[0], args[1]
    UNSFX = args[2] if len(args) > 2 and args[2] else None
    unittest.main(argv=[sys.argv[0], "-v"] + rest)
