#!/usr/bin/env python3
"""Turns the linked stub into the finished image, or fails the build saying why.

The archive is appended right behind the image and the program looks for its first local header
at ArchiveBase, so the image must be exactly that long: it is padded with zeros up to
ArchiveBase, and an image that has outgrown it is an error. The image must not hold a ZIP
signature either, or ZIP readers would take the program's bytes for the archive's. And it may
import only Windows system DLLs, which are loaded from the system directory whatever lies beside
the exe. It must carry the block mksfx writes a publisher's presets into, once. It must be a GUI program (no console window opens beside the dialog) built for the
machine its build targets.

A stub that fails a check is deleted, so that no one appends an archive to it.

Usage: finish_image.py FORMAT_H OBJDUMP PROCESSOR EXE   (PROCESSOR: i686 or x86_64; EXE is padded in place)
"""
import re
import struct
import subprocess
import sys
from pathlib import Path

ZIP_SIGNATURES = {
    b"PK\x03\x04": "local file header",
    b"PK\x01\x02": "central directory header",
    b"PK\x05\x06": "end of central directory",
}
# PE machine types by the processor names CMake gives the toolchains.
MACHINES = {"i686": 0x14C, "x86_64": 0x8664}
SUBSYSTEM_WINDOWS_GUI = 2
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll",
               "advapi32.dll", "shell32.dll"}


def fail(reason, exe=None):
    if exe is not None:
        exe.unlink(missing_ok=True)
    sys.exit(f"finish_image: {reason}")


def archive_base(format_h):
    match = re.search(r"constexpr\s+uint32_t\s+ArchiveBase\s*=\s*(\d+)\s*;", format_h.read_text())
    if not match:
        fail(f"no ArchiveBase definition found in {format_h}")
    return int(match.group(1))


def check_imports(objdump, exe):
    dump = subprocess.run([objdump, "-p", str(exe)], check=True, capture_output=True, text=True)
    imported = re.findall(r"DLL Name:\s*(\S+)", dump.stdout)
    if not imported:
        fail(f"no import table found in {exe}", exe)
    foreign = [name for name in imported if name.lower() not in SYSTEM_DLLS]
    if foreign:
        fail(f"{exe.name} imports DLLs that are not Windows system DLLs: {', '.join(foreign)}", exe)


def check_header(image, processor, exe):
    """The PE header's machine type and subsystem (the subsystem field stands at the same
    offset of the optional header in PE32 and PE32+)."""
    at = struct.unpack_from("<I", image, 0x3C)[0]
    if image[:2] != b"MZ" or image[at:at + 4] != b"PE\0\0":
        fail(f"{exe.name} is not a PE image", exe)
    machine = struct.unpack_from("<H", image, at + 4)[0]
    if machine != MACHINES[processor]:
        fail(f"{exe.name} has machine type {machine:#x}, but a {processor} build must have "
             f"{MACHINES[processor]:#x}", exe)
    subsystem = struct.unpack_from("<H", image, at + 24 + 68)[0]
    if subsystem != SUBSYSTEM_WINDOWS_GUI:
        fail(f"{exe.name} has subsystem {subsystem}, not the Windows GUI ({SUBSYSTEM_WINDOWS_GUI})", exe)


def preset_block_head(format_h):
    """The bytes mksfx looks for: the marker, its terminator and the version (32 bits)."""
    text = format_h.read_text()
    marker = re.search(r'constexpr\s+char\s+PresetMarker\[\]\s*=\s*"([^"]*)"\s*;', text)
    version = re.search(r"constexpr\s+uint32_t\s+PresetVersion\s*=\s*(\d+)\s*;", text)
    if not marker or not version:
        fail(f"no PresetMarker or PresetVersion definition found in {format_h}")
    return marker.group(1).encode() + b"\0" + struct.pack("<I", int(version.group(1)))


def check_preset_block(image, head, exe):
    count = image.count(head)
    if count != 1:
        fail(f"{exe.name} carries {count} preset blocks, where mksfx needs exactly one", exe)


def check_no_zip_signature(image, exe):
    for signature, what in ZIP_SIGNATURES.items():
        at = image.find(signature)
        if at >= 0:
            fail(f"{exe.name} contains a ZIP {what} signature at offset {at}", exe)


def main():
    if len(sys.argv) != 5 or sys.argv[3] not in MACHINES:
        fail(__doc__.strip().splitlines()[-1])
    format_h, objdump, processor, exe = Path(sys.argv[1]), sys.argv[2], sys.argv[3], Path(sys.argv[4])
    base = archive_base(format_h)
    image = exe.read_bytes()
    linked_size = len(image)
    if linked_size > base:
        fail(f"the linked image is {linked_size} bytes, {linked_size - base} more than ArchiveBase "
             f"({base}); make it smaller or raise ArchiveBase in {format_h.name}", exe)
    check_header(image, processor, exe)
    check_imports(objdump, exe)
    check_preset_block(image, preset_block_head(format_h), exe)
    image += bytes(base - linked_size)
    check_no_zip_signature(image, exe)
    exe.write_bytes(image)
    print(f"finish_image: {exe.name} ({processor}): linked {linked_size} bytes, padded to ArchiveBase {base}")


if __name__ == "__main__":
    main()
