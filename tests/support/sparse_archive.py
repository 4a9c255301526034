"""Archives of several GiB that cost no disk space: a first entry of zeros, stored, whose data is a
hole in a sparse file, then small stored entries and the central directory. Offsets count from the
file's first byte, as for any ZIP with bytes in front of it (a stub)."""
import struct
import zlib

ZIP64_MARKER = 0xFFFFFFFF


def zeros_crc(size):
    """The CRC-32 of size zero bytes, without holding them all."""
    block = bytes(64 << 20)
    crc = 0
    while size > 0:
        n = min(size, len(block))
        crc = zlib.crc32(memoryview(block)[:n], crc)
        size -= n
    return crc


def _local_header(name, crc, size, zip64):
    extra = struct.pack("<HHQQ", 1, 16, size, size) if zip64 else b""
    fields = (ZIP64_MARKER, ZIP64_MARKER) if zip64 else (size, size)
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, 45 if zip64 else 20, 0, 0, 0, 0x21, crc, *fields,
                       len(name), len(extra)) + name + extra


def _central_header(name, crc, size, offset, zip64):
    values = ([size, size] if zip64 else []) + ([offset] if offset >= ZIP64_MARKER else [])
    extra = struct.pack("<HH", 1, 8 * len(values)) + b"".join(struct.pack("<Q", v) for v in values) if values else b""
    fields = (ZIP64_MARKER, ZIP64_MARKER) if zip64 else (size, size)
    return struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, (10 << 8) | 45, 45 if values else 20, 0, 0, 0, 0x21, crc,
                       *fields, len(name), len(extra), 0, 0, 0, 0,
                       min(offset, ZIP64_MARKER)) + name + extra


def _end_records(count, central_size, central_at):
    out = b""
    if central_at + central_size >= ZIP64_MARKER or count >= 0xFFFF:
        zip64_at = central_at + central_size
        out += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, central_size, central_at)
        out += struct.pack("<IIQI", 0x07064B50, 0, zip64_at, 1)
    return out + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, min(count, 0xFFFF), min(count, 0xFFFF),
                             min(central_size, ZIP64_MARKER), min(central_at, ZIP64_MARKER), 0)


def write_sparse_archive(path, prefix, big_name, big_size, small):
    """Writes prefix, then big_name (big_size zero bytes, a hole), then the (name, data) pairs of
    small, then the central directory. Returns the file offsets of the entries' local headers."""
    entries = []
    with open(path, "wb") as f:
        f.write(prefix)

        def add(name, crc, size, data=None):
            offset = f.tell()
            zip64 = size >= ZIP64_MARKER
            f.write(_local_header(name.encode(), crc, size, zip64))
            if data is None:
                f.seek(size, 1)
            else:
                f.write(data)
            entries.append((name.encode(), crc, size, offset, zip64))

        add(big_name, zeros_crc(big_size), big_size)
        for name, data in small:
            add(name, zlib.crc32(data), len(data), data)
        central_at = f.tell()
        central = b"".join(_central_header(*entry) for entry in entries)
        f.write(central + _end_records(len(entries), len(central), central_at))
    return [entry[3] for entry in entries]
