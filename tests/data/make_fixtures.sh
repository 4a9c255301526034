#!/usr/bin/env bash
# Remakes the test archives in this folder with independent writers (Info-ZIP zip, Python's
# zipfile, 7z), so that the engine is checked against other programs' idea of the format.
# Malformed archives are not kept here: the tests patch these bytes themselves.
set -euo pipefail
# Names beyond ASCII pass through the shell, zip and 7z as UTF-8.
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 - <<'PY'
import random, zipfile, os
rnd = random.Random(20261208)
words = [b"alpha", b"bravo", b"charlie", b"delta", b"echo", b"foxtrot", b"golf", b"hotel"]
def text(n, r=rnd):
    out = bytearray()
    while len(out) < n:
        out += r.choice(words) + (b"\n" if r.random() < 0.2 else b" ")
    return bytes(out[:n])
def binary(n, r=rnd):
    return bytes(r.getrandbits(8) for _ in range(n))

sizes = [0, 1, 32767, 32768, 32769, 65536]
with zipfile.ZipFile("sizes_stored.zip", "w", zipfile.ZIP_STORED) as z:
    for n in sizes: z.writestr("s%d.bin" % n, binary(n))
with zipfile.ZipFile("sizes_deflated.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for n in sizes: z.writestr("d%d.txt" % n, text(n))
    z.writestr("random%d.bin" % 70000, binary(70000))  # stored blocks inside DEFLATE
with zipfile.ZipFile("walk13.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(1, 14): z.writestr("dir%d/entry%02d.txt" % (i % 3, i), text(100 * i))
# Written to a pipe: flag bit 3, sizes and CRC 0 in the headers, data descriptors behind.
class Pipe:
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): pass
with open("streamed.zip", "wb") as f:
    with zipfile.ZipFile(Pipe(f), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("first.txt", text(5000))
        z.writestr("second.txt", text(300))
# The same with stored entries: an empty one, then one with data, whose end nothing marks.
with open("streamed_stored.zip", "wb") as f:
    with zipfile.ZipFile(Pipe(f), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("one.txt", text(3000))
        z.writestr("empty.txt", b"", zipfile.ZIP_STORED)
        z.writestr("two.bin", binary(300), zipfile.ZIP_STORED)
        z.writestr("three.txt", text(400))
# A stored entry whose data begins with zero bytes, as a descriptor with zero sizes would.
with open("streamed_stored_zeros.zip", "wb") as f:
    with zipfile.ZipFile(Pipe(f), "w", zipfile.ZIP_STORED) as z:
        z.writestr("zeros.bin", bytes(40) + binary(60))
        z.writestr("after.txt", text(100))
os.makedirs("src/docs/deep", exist_ok=True)
for name, n in [("src/readme.txt", 1200), ("src/docs/guide.txt", 40000),
                ("src/docs/deep/notes.txt", 10), ("src/tiny.txt", 5)]:
    open(name, "wb").write(text(n))
open("src/photo.bin", "wb").write(binary(50000))

with zipfile.ZipFile("same_names.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("a/x.txt", b"the x of folder a\n")
    z.writestr("b/x.txt", b"the x of folder b, a little longer\n")
    z.writestr("README.TXT", b"upper case\n")
    z.writestr("readme.txt", b"lower case\n")
with zipfile.ZipFile("four_plain.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for name in ["one.txt", "two.txt", "three.txt", "four.txt"]:
        z.writestr(name, text(2000))
# Names that must never be written where they point; zipfile stores them as given.
with zipfile.ZipFile("unsafe_names.zip", "w", zipfile.ZIP_STORED) as z:
    for name in ["../evil.txt", "C:/evil.txt", "/rooted.txt", "sub/../../up.txt", "CON.txt",
                 "ok.txt"]:
        z.writestr(zipfile.ZipInfo(name), b"payload\n")
# Look-alikes of dots, slashes and device names: fullwidth full stop, solidus and reverse
# solidus, the division slash, the yen sign (a backslash in some code pages) and fullwidth
# letters. A best-fit conversion to a code page would turn them into the real thing.
with zipfile.ZipFile("lookalike_names.zip", "w", zipfile.ZIP_STORED) as z:
    for name in ["\uff0e\uff0e\uff0fevil.txt", "..\u2215evil.txt", "sub\uff3c..\uff3c..\uff3cup.txt",
                 "..\u00a5yen.txt", "\uff23\uff2f\uff2e.txt", "ok.txt"]:
        z.writestr(name, b"payload\n")

# International names, the same from every writer.
intl = ["\u00dcbersicht.txt", "caf\u00e9/men\u00fc.txt", "\u65e5\u672c\u8a9e.txt"]
with zipfile.ZipFile("python_utf8_names.zip", "w", zipfile.ZIP_DEFLATED) as z:  # flag bit 11
    for name in intl: z.writestr(name, name.encode() * 3)
os.makedirs("intl/caf\u00e9", exist_ok=True)
for name in intl: open("intl/" + name, "wb").write(name.encode() * 3)
open(b"intl/caf\xe9 cr\xe8me.txt", "wb").write(b"a Latin-1 file name\n")
# A Unicode Path field (0x7075: version 1, the CRC-32 of the header's name bytes, the UTF-8
# name) beside ASCII stand-ins in the header, as Windows writers store names their code page
# lacks. It is believed only while its CRC matches the header's name: the third entry was
# renamed by a program that left the field stale, the fourth has a version no one defined.
import struct, zlib
def unicode_path(header_name, utf8_name, version=1, crc_of=None):
    crc = zlib.crc32((crc_of or header_name).encode())
    data = struct.pack("<BI", version, crc) + utf8_name.encode()
    return struct.pack("<HH", 0x7075, len(data)) + data
timestamp = struct.pack("<HHBI", 0x5455, 5, 1, 0x65000000)  # a field in front of it
with zipfile.ZipFile("unicode_path.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for header, extra, body in [
            ("File 2 - xx.txt", timestamp + unicode_path("File 2 - xx.txt", "File 2 - \u00f6.txt"), 400),
            ("docs/File 3 - xx.txt", unicode_path("docs/File 3 - xx.txt", "docs/\u0424\u0430\u0439\u043b 3.txt"), 500),
            ("stale.txt", unicode_path("stale.txt", "renamed \u00fc.txt", crc_of="old name.txt"), 600),
            ("version2.txt", unicode_path("version2.txt", "version \u00fc.txt", version=2), 700)]:
        info = zipfile.ZipInfo(header, (2026, 12, 9, 6, 0, 0))
        info.extra = extra
        z.writestr(info, text(body), zipfile.ZIP_DEFLATED)
# Encrypted entries that span several chunks, stored and deflated, with a generator of their own.
crnd = random.Random(20261209)
os.makedirs("chunks", exist_ok=True)
for n in (32768, 32769, 65537):
    open("chunks/s%d.bin" % n, "wb").write(binary(n, crnd))
open("chunks/random70000.bin", "wb").write(binary(70000, crnd))
open("chunks/text300000.txt", "wb").write(text(300000, crnd))
PY

# Info-ZIP on Linux stores a name's bytes and sets no flag: UTF-8 names, and a Latin-1 one as
# it stands. 7z sets flag bit 11 for names beyond ASCII.
(cd intl && zip -q -X ../infozip_utf8_names.zip Übersicht.txt café/menü.txt 日本語.txt &&
 zip -q -X ../infozip_legacy_names.zip "$(printf 'caf\xe9 cr\xe8me.txt')" &&
 7z a -tzip ../sevenzip_utf8_names.zip Übersicht.txt café/menü.txt 日本語.txt >/dev/null)
# Passwords beyond ASCII: Info-ZIP takes the bytes it is given, UTF-8 from a Linux shell or the
# Windows-1252 bytes an older Windows program would have used. (7z refuses such a password for
# the traditional encryption, and Python's zipfile cannot encrypt.)
(cd intl && zip -q -X -P 'pässwort' ../infozip_utf8_password.zip Übersicht.txt &&
 zip -q -X -P "$(printf 'p\xe4sswort')" ../infozip_legacy_password.zip Übersicht.txt)
# Info-ZIP writing to a pipe, where it cannot go back to fill in a header: flag bit 3, no CRC
# and no compressed size in the headers, descriptors behind the data. Deflated entries, a
# directory and an empty (stored) file; with -0 stored entries whose headers have their sizes
# but not their CRC; with -P the same encrypted; from standard input, ZIP64 sizes.
: > src/empty.txt
(cd src && zip -q -r - readme.txt docs empty.txt photo.bin | cat > ../infozip_pipe.zip)
(cd src && zip -q -0 - readme.txt photo.bin empty.txt | cat > ../infozip_pipe_stored.zip)
(cd src && zip -q -P secret - readme.txt docs/guide.txt empty.txt photo.bin | cat > ../infozip_pipe_encrypted.zip)
zip -q - - < src/docs/guide.txt | cat > infozip_stdin.zip
# A jar: Java's archive writer streams every deflated entry, the manifest first. The set-up does
# not install Java, so without it the jar kept here stays as it is.
if command -v jar >/dev/null; then
  (cd src && printf 'Main-Class: Example\n' > manifest.txt &&
   jar --create --file ../jar_streamed.zip --manifest manifest.txt readme.txt docs)
else
  echo "make_fixtures.sh: no jar tool here; jar_streamed.zip is kept as it is" >&2
  cp "$here/jar_streamed.zip" .
fi

# Two plain entries, then two encrypted ones: Info-ZIP adds to an existing archive.
(cd src && zip -q ../mixed_encryption.zip readme.txt tiny.txt &&
 zip -q -P secret ../mixed_encryption.zip docs/guide.txt docs/deep/notes.txt)

# Info-ZIP: extra fields (UT, ux) in every local header, directory entries with -r.
(cd src && zip -q -X- -r ../infozip_dirs.zip readme.txt docs tiny.txt photo.bin)
# Info-ZIP encryption: flag bit 3 on every entry, sizes in the header, descriptor behind.
(cd src && zip -q -P secret ../infozip_encrypted.zip readme.txt docs/guide.txt tiny.txt photo.bin)
(cd src && zip -q -0 -P secret ../infozip_encrypted_stored.zip readme.txt tiny.txt)
# Entries of more than one chunk, encrypted: stored, with stored blocks inside DEFLATE, and text.
(cd chunks && zip -q -0 -P secret ../infozip_encrypted_chunks.zip s32768.bin s32769.bin s65537.bin &&
 zip -q -P secret ../infozip_encrypted_chunks.zip random70000.bin text300000.txt)
# 7-Zip's traditional encryption leaves flag bit 3 clear: the check byte comes from the CRC.
(cd src && 7z a -tzip -psecret -mem=ZipCrypto ../sevenzip_encrypted.zip readme.txt docs/guide.txt >/dev/null)

# AES from 7-Zip: AE-2 (no CRC-32), sizes in the headers. Stored entries first (an empty one, and
# one of more than a chunk, which is read ahead), then deflated ones added to the same archive,
# for each key size.
for bits in 128 192 256; do
  (cd src && 7z a -tzip -psecret -mem=AES$bits -mx=0 ../sevenzip_aes$bits.zip photo.bin empty.txt >/dev/null &&
   7z a -tzip -psecret -mem=AES$bits -mx=5 ../sevenzip_aes$bits.zip readme.txt docs/guide.txt tiny.txt >/dev/null)
done
# AES from libarchive: AE-1 (the CRC-32 kept, in the descriptor), every entry streamed: flag bit
# 3, no sizes in the header, a descriptor behind the authentication code. A password beyond
# ASCII goes in as the UTF-8 bytes it is given (7-Zip refuses one).
(cd src && bsdtar --format zip --options zip:encryption=aes256 --passphrase secret \
   -cf ../bsdtar_aes256.zip readme.txt docs/guide.txt photo.bin empty.txt &&
 bsdtar --format zip --options zip:encryption=aes128,zip:compression=store --passphrase secret \
   -cf ../bsdtar_aes128_stored.zip readme.txt tiny.txt photo.bin)
(cd intl && bsdtar --format zip --options zip:encryption=aes256 --passphrase 'pässwort' \
   -cf ../bsdtar_aes_utf8_password.zip Übersicht.txt)

cp ./*.zip "$here/"
