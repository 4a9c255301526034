"""The benchmark's corpus: deterministic mixed text and binary files, and a tree of tiny files
for the listing archive. The same parameters always give the same bytes."""
import math
import os
import random
import struct

SEED = 20261208
WORDS = (b"archive extract header local central directory deflate inflate window "
         b"password cipher check byte stored method entry folder path list select "
         b"the of and to in is that for it as with was on be by this are or from at "
         b"0 1 2 3 42 1024 65536 2026 alpha bravo charlie delta echo foxtrot").split()
POOL_SIZE = 8 << 20


def text_pool(rnd):
    """Several megabytes of word soup with line breaks: compresses like prose or source."""
    words = rnd.choices(WORDS, k=POOL_SIZE // 5)
    lines = [b" ".join(words[i:i + 12]) for i in range(0, len(words), 12)]
    return b"\n".join(lines)[:POOL_SIZE]


def record_pool(rnd):
    """Fixed-size binary records with counters and small noise: compresses moderately."""
    out = bytearray()
    for i in range(POOL_SIZE // 16):
        out += struct.pack("<IIHHI", i, i * 7 & 0xFFFF, rnd.getrandbits(4), 0x5A5A, 1000 + (i % 97))
    return bytes(out)


def slice_of(pool, rnd, size):
    start = rnd.randrange(len(pool))
    data = pool[start:start + size]
    while len(data) < size:
        data += pool[:size - len(data)]
    return data


def file_sizes(rnd, count, total):
    """Log-uniform sizes from 256 bytes to 2 MB, scaled to add up to about total."""
    raw = [math.exp(rnd.uniform(math.log(256), math.log(2 << 20))) for _ in range(count)]
    scale = total / sum(raw)
    return [max(1, int(s * scale)) for s in raw]


def make_mixed_tree(root, total_bytes, file_count):
    rnd = random.Random(SEED)
    text, records = text_pool(rnd), record_pool(rnd)
    written = 0
    for n, size in enumerate(file_sizes(rnd, file_count, total_bytes)):
        kind = rnd.random()
        if kind < 0.55:
            data, ext = slice_of(text, rnd, size), "txt"
        elif kind < 0.80:
            data, ext = rnd.randbytes(size), "bin"
        else:
            data, ext = slice_of(records, rnd, size), "dat"
        folder = os.path.join(root, "d%02d" % (n % 10), "s%02d" % (n // 10 % 10))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%05d.%s" % (n, ext)), "wb") as f:
            f.write(data)
        written += size
    return written


def make_tiny_tree(root, count):
    rnd = random.Random(SEED + 1)
    for n in range(count):
        folder = os.path.join(root, "t%03d" % (n % 100))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "e%06d.txt" % n), "wb") as f:
            f.write(b" ".join(rnd.choices(WORDS, k=rnd.randrange(1, 8))))


def make_big_tree(root, count=24, size=8 << 20):
    """Few large files, a third random, the rest text-like: where the CRC and the decryption
    dominate rather than the file system."""
    rnd = random.Random(SEED + 2)
    text = text_pool(rnd)
    os.makedirs(root, exist_ok=True)
    for n in range(count):
        if n % 3 == 0:
            data, ext = rnd.randbytes(size), "bin"
        else:
            data, ext = slice_of(text, rnd, size), "txt"
        with open(os.path.join(root, "big%02d.%s" % (n, ext)), "wb") as f:
            f.write(data)


def make_small_tree(root, count=10000, size=4096):
    """Many small text files: where creating files dominates."""
    rnd = random.Random(SEED + 3)
    text = text_pool(rnd)
    for n in range(count):
        folder = os.path.join(root, "s%02d" % (n % 50))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%05d.txt" % n), "wb") as f:
            f.write(slice_of(text, rnd, size))


def make_huge_tree(root, big_bytes, small_count=2000):
    """One big file of incompressible bytes (a disk image that does not shrink), written in
    pieces, and many small text files beside it."""
    rnd = random.Random(SEED + 3)
    os.makedirs(os.path.join(root, "small"), exist_ok=True)
    piece = rnd.randbytes(8 << 20)
    with open(os.path.join(root, "disk.img"), "wb") as f:
        for n in range(big_bytes // len(piece)):
            f.write(piece[n % 7:] + piece[:n % 7])  # no two pieces alike
        f.write(piece[:big_bytes % len(piece)])
    text = text_pool(rnd)
    for n in range(small_count):
        with open(os.path.join(root, "small", "f%05d.txt" % n), "wb") as f:
            f.write(slice_of(text, rnd, 2000 + n % 3000))
