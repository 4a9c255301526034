#!/usr/bin/env bash
# Remakes the fuzz seed corpus: small archives from Info-ZIP zip and Python's zipfile, and
# hand-patched copies whose headers lie (sizes, name lengths, flags, methods, signatures) or
# whose names try to leave the extraction folder. Kept small: every seed is a few KB at most.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir -p src/docs/deep src/void
printf 'read me first\n%.0s' {1..40} > src/readme.txt
seq 1 300 | sed 's/^/line of the guide /' > src/docs/guide.txt
printf 'short' > src/docs/deep/notes.txt
head -c 600 /dev/zero | tr '\0' 'z' > src/zeros.txt
python3 -c "import random,sys; sys.stdout.buffer.write(random.Random(5).randbytes(700))" > src/noise.bin

(cd src && zip -q -r ../infozip_dirs.zip readme.txt docs void noise.bin)
(cd src && zip -q -P secret ../infozip_encrypted.zip readme.txt docs/guide.txt noise.bin)
(cd src && zip -q -X -0 -P secret ../infozip_encrypted_stored.zip readme.txt zeros.txt)
(cd src && zip -q -X -0 ../infozip_stored.zip readme.txt noise.bin)
# Into a pipe: descriptors carry the sizes; from standard input, 64-bit ones.
(cd src && zip -q -r - readme.txt docs void noise.bin | cat > ../infozip_pipe.zip)
(cd src && zip -q -P secret - readme.txt noise.bin | cat > ../infozip_pipe_encrypted.zip)
zip -q - - < src/readme.txt | cat > infozip_stdin.zip

python3 - <<'PY'
import struct, zipfile

def plain(name, entries, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(name, "w", method) as z:
        for entry, data in entries:
            z.writestr(entry, data)

text = b"".join(b"line %d\n" % i for i in range(200))
plain("python_deflated.zip", [("a.txt", text), ("dir/b.txt", text[:300]), ("dir/", b"")])
plain("python_stored.zip", [("a.txt", text[:500]), ("B.TXT", b"b"), ("b.txt", b"c")], zipfile.ZIP_STORED)
plain("python_bzip2_third.zip", [("one.txt", b"1" * 50), ("two.txt", b"2" * 50)])
with zipfile.ZipFile("python_bzip2_third.zip", "a", zipfile.ZIP_BZIP2) as z:
    z.writestr("three.txt", b"3" * 50)
    z.writestr("four.txt", b"4" * 50, zipfile.ZIP_DEFLATED)
plain("python_duplicates.zip", [("a/x.txt", b"first"), ("b/x.txt", b"second"), ("X.TXT", b"third")])
plain("python_unsafe_names.zip", [
    ("../escape.txt", b"up"), ("/abs.txt", b"abs"), ("dir/../../up2.txt", b"up2"),
    ("c:evil.txt", b"drive"), ("CON.txt", b"dev"), ("dots./x", b"dot"), ("ok.txt", b"ok"),
    ("..\\back.txt", b"back"), ("a\\..\\..\\b.txt", b"mixed")])

# Written to a pipe: flag bit 3, zero sizes and CRC in the headers, descriptors behind the data.
class Pipe:
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): pass
with open("python_streamed.zip", "wb") as f:
    with zipfile.ZipFile(Pipe(f), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("first.txt", text)
        z.writestr("second.txt", b"second")

with open("python_streamed_stored.zip", "wb") as f:
    with zipfile.ZipFile(Pipe(f), "w", zipfile.ZIP_STORED) as z:
        z.writestr("empty.txt", b"")
        z.writestr("data.txt", text[:300])
        z.writestr("after.txt", b"after")

def patched(source, target, edit):
    data = bytearray(open(source, "rb").read())
    edit(data)
    open(target, "wb").write(bytes(data))

def put(data, at, fmt, value):
    struct.pack_into("<" + fmt, data, at, value)

# Offsets in the first local header: flags 6, method 8, crc 14, sizes 18/22, lengths 26/28.
patched("python_deflated.zip", "patched_huge_compressed_size.zip", lambda d: put(d, 18, "I", 0xFFFFFFF0))
patched("python_deflated.zip", "patched_size_beyond_seek_limit.zip", lambda d: put(d, 18, "I", 0x7FFFFFF0))
patched("python_deflated.zip", "patched_huge_name_length.zip", lambda d: put(d, 26, "H", 0xFFFF))
patched("python_deflated.zip", "patched_zero_name_length.zip", lambda d: put(d, 26, "H", 0))
patched("python_deflated.zip", "patched_huge_extra_length.zip", lambda d: put(d, 28, "H", 0xFFFF))
patched("python_deflated.zip", "patched_wrong_crc.zip", lambda d: put(d, 14, "I", 0x12345678))
patched("python_deflated.zip", "patched_encrypted_flag.zip", lambda d: put(d, 6, "H", 1))
patched("python_deflated.zip", "patched_method_12.zip", lambda d: put(d, 8, "H", 12))
patched("python_stored.zip", "patched_stored_as_deflated.zip", lambda d: put(d, 8, "H", 8))
patched("python_deflated.zip", "patched_odd_signature.zip", lambda d: put(d, 0, "I", 0x50000000))
patched("python_deflated.zip", "patched_zero_in_name.zip", lambda d: put(d, 30, "B", 0))
patched("python_deflated.zip", "patched_garbage_deflate.zip",
        lambda d: d.__setitem__(slice(40, 80), bytes(range(40))))
patched("python_streamed.zip", "patched_descriptor_lies.zip", lambda d: put(d, 18, "I", 40))
patched("infozip_encrypted.zip", "patched_encrypted_short.zip", lambda d: put(d, 18, "I", 5))
patched("infozip_encrypted.zip", "patched_strong_encryption.zip", lambda d: put(d, 6, "H", 0x49))
patched("infozip_encrypted.zip", "patched_aes.zip", lambda d: put(d, 8, "H", 99))
patched("infozip_pipe.zip", "patched_streamed_corrupt.zip",
        lambda d: d.__setitem__(slice(80, 100), bytes(20)))
open("truncated_header.zip", "wb").write(open("python_deflated.zip", "rb").read()[:20])
open("truncated_data.zip", "wb").write(open("python_deflated.zip", "rb").read()[:90])
PY

# AES entries: 7-Zip's AE-2 (stored, then deflated ones added), AES-128 stored, and libarchive's
# streamed AE-1; copies whose data, strength or size lie. The replay's first password opens them.
(cd src && 7z a -tzip -psecret -mem=AES256 -mx=0 ../sevenzip_aes256.zip noise.bin zeros.txt >/dev/null &&
 7z a -tzip -psecret -mem=AES256 -mx=5 ../sevenzip_aes256.zip readme.txt docs/deep/notes.txt >/dev/null &&
 7z a -tzip -psecret -mem=AES128 -mx=0 ../sevenzip_aes128_stored.zip readme.txt >/dev/null)
(cd src && bsdtar --format zip --options zip:encryption=aes256 --passphrase secret \
   -cf ../bsdtar_aes_streamed.zip readme.txt noise.bin)
python3 - <<'PY'
import struct

def patched(source, target, edit):
    data = bytearray(open(source, "rb").read())
    edit(data)
    open(target, "wb").write(bytes(data))

def aes_field(data):
    """Where the first local header's AES field (0x9901) begins."""
    name_length, extra_length = struct.unpack_from("<HH", data, 26)
    return data.index(b"\x01\x99", 30 + name_length, 30 + name_length + extra_length)

def data_start(data):
    name_length, extra_length = struct.unpack_from("<HH", data, 26)
    return 30 + name_length + extra_length

def flip(data, at):
    data[at] ^= 0x01

patched("sevenzip_aes128_stored.zip", "patched_aes_flipped_data.zip", lambda d: flip(d, data_start(d) + 12 + 40))
patched("sevenzip_aes128_stored.zip", "patched_aes_flipped_code.zip", lambda d: flip(d, data_start(d) +
        struct.unpack_from("<I", d, 18)[0] - 1))
patched("sevenzip_aes128_stored.zip", "patched_aes_strength_4.zip", lambda d: d.__setitem__(aes_field(d) + 8, 4))
patched("sevenzip_aes128_stored.zip", "patched_aes_short.zip", lambda d: struct.pack_into("<I", d, 18, 20))
patched("sevenzip_aes128_stored.zip", "patched_aes_deflated_inside.zip",
        lambda d: struct.pack_into("<H", d, aes_field(d) + 9, 8))
PY

# The seeds are the .zip files; the inputs campaigns found and kept (named by their SHA-1) stay.
rm -f "$here/corpus/"*.zip
cp ./*.zip "$here/corpus/"
# Unicode Path fields, believed and not, beside the test archives' own.
cp "$here/../tests/data/unicode_path.zip" "$here/corpus/"
# Encrypted entries of several chunks, which are read ahead on a second thread.
cp "$here/../tests/data/infozip_encrypted_chunks.zip" "$here/corpus/"
du -sh "$here/corpus"
