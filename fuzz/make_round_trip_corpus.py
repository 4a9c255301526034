#!/usr/bin/env python3
"""Remakes the round-trip target's seed corpus (fuzz/round_trip_corpus): entry lists in the
input form fuzz/round_trip_fuzz.cpp reads, stored, deflated and encrypted, with folders,
empty files, names beyond ASCII and data of more than one chunk."""
import os
import random
import struct

here = os.path.dirname(os.path.abspath(__file__))
corpus = os.path.join(here, "round_trip_corpus")


def encode(level, entries, password=b"", case_duplicates=False):
    out = bytes([level, (len(password) << 1) | case_duplicates]) + password
    for name, data in entries:
        name = name.encode()
        out += struct.pack("<H", len(name)) + name + struct.pack("<H", len(data)) + data
    return out


def folder_path(length):
    """A path of levels of 199 characters, and a shorter last one, of the given length."""
    whole = (length - 1) // 200
    return "/".join(["x" * 199] * whole + ["y" * (length - 200 * whole)])


text = b"".join(b"line %d of the guide\n" % i for i in range(300))
noise = random.Random(7).randbytes(40000)  # two chunks: an encrypted entry is read ahead
seeds = {
    "stored": encode(0, [("readme.txt", b"read me first\n" * 20), ("docs/", b""), ("docs/guide.txt", text)]),
    "deflated": encode(6, [("a.txt", text), ("empty.txt", b""), ("noise.bin", noise[:700])]),
    "encrypted": encode(9, [("secret/plan.txt", text), ("secret/noise.bin", noise)], b"secret"),
    "encrypted_stored": encode(0, [("zeros.txt", b"z" * 600), ("b.txt", b"b")], b"pass word"),
    "international": encode(5, [("café/", b""), ("café/menü.txt", "crème brûlée\n".encode()),
                                ("日本語.txt", "こんにちは\n".encode()), ("Ελληνικά.txt", b"alpha")]),
    "case_duplicates": encode(1, [("Notes.txt", b"upper"), ("notes.txt", b"lower")], case_duplicates=True),
    # The second twin's entry comes round to the item the first took, and takes the other.
    "case_duplicates_apart": encode(1, [("Notes.txt", b"upper"), ("b.txt", b"b"), ("notes.txt", b"lower")],
                                    case_duplicates=True),
    "deep": encode(3, [("/".join("level%d" % i for i in range(20)) + "/leaf.txt", b"deep down")]),
    "folder_again_in_other_letters": encode(5, [("café/", b""), ("café/a.txt", b"a"), ("cAfé/", b""),
                                                ("café/b.txt", b"b")]),
    # Empty levels add nothing to the path written, nor to the path measured against the limit.
    "slashes_past_the_limit": encode(0, [("a" + "/" * 4100 + "b.txt", b"b"), ("c//d.txt", b"d")]),
    # A folder's path is measured with its separator behind it (here "/sandbox/jail/a/b/out/"
    # and a path of 4,072 bytes make 4,095 with it, the most that fits; one more is refused).
    "folder_at_the_path_limit": encode(0, [(folder_path(4072) + "/", b"")]),
    "folder_one_past_the_path_limit": encode(0, [(folder_path(4073) + "/", b"")]),
    # The listing spells a C1 control out (\u0085); the file keeps the character.
    "c1_controls": encode(3, [("next\u0085line/", b""), ("next\u0085line/csi\u009b.txt", b"c1")]),
}

# The inputs campaigns found and kept (named by their SHA-1) stay beside the seeds.
os.makedirs(corpus, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
