"""Checks on the Windows programs mksfx writes, shared by its tests and the end-to-end suite: a
throw-away certificate authority and a code-signing certificate issued by it (made with openssl
for one test run; no key ever leaves the folder it is made in), osslsigncode's verdict, and
the PE checksum field."""
import os
import re
import struct
import subprocess

PASSWORD = "test-p12-password"


def _openssl(folder, *args):
    subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)


def make_signing_certificate(folder):
    """Writes ca.pem (the authority) and signer.p12 (certificate, key and chain, locked with
    PASSWORD) into folder; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    _openssl(folder, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
             "-days", "3", "-subj", "/CN=kvx-sfx throw-away test CA",
             "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    _openssl(folder, "req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
             "-subj", "/CN=kvx-sfx test publisher")
    with open(os.path.join(folder, "signer.ext"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    _openssl(folder, "x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
             "-days", "2", "-extfile", "signer.ext", "-out", "signer.pem")
    _openssl(folder, "pkcs12", "-export", "-inkey", "signer.key", "-in", "signer.pem", "-certfile", "ca.pem",
             "-out", "signer.p12", "-passout", "pass:" + PASSWORD)
    return os.path.join(folder, "ca.pem"), os.path.join(folder, "signer.p12")


def verify(exe, ca):
    """osslsigncode's verdict on the exe: (exit code, everything it printed)."""
    r = subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in", exe], capture_output=True, text=True)
    return r.returncode, r.stdout + r.stderr


def _checksum_field_at(image):
    return struct.unpack_from("<I", image, 0x3C)[0] + 4 + 20 + 64


def pe_checksum(image):
    """The PE checksum as Windows computes it (CheckSumMappedFile): the file's 16-bit words,
    the checksum field left out and an odd last byte counted as a word of its own, added with
    the carries folded back in, plus the file's length."""
    at = _checksum_field_at(image)
    data = image[:at] + image[at + 4:] + (b"\0" if len(image) % 2 else b"")
    total = sum(struct.unpack("<%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def osslsigncode_says_checksum_right(report):
    """osslsigncode verify's verdict on the PE checksum, in the words of each version: 2.9
    prints one "PE checksum" line when it is right, and a "Current"/"Calculated" pair and a
    warning when it is not; 2.5 (Debian 12's own) always prints the pair, and "MISMATCH" behind
    a wrong one. Both exit 0 either way."""
    if re.search(r"^PE checksum\s*:\s*[0-9A-F]{8}$", report, re.M) and "invalid PE checksum" not in report:
        return True
    current = re.search(r"^Current PE checksum\s*:\s*([0-9A-F]{8})\s*$", report, re.M)
    calculated = re.search(r"^Calculated PE checksum\s*:\s*([0-9A-F]{8})\s*$", report, re.M)
    return bool(current and calculated and current.group(1) == calculated.group(1))


def checksum_is_right(exe, report):
    """Whether the PE checksum in the exe's header is the whole file's: by osslsigncode verify's
    report on it, and by our own count."""
    with open(exe, "rb") as f:
        image = f.read()
    stored = struct.unpack_from("<I", image, _checksum_field_at(image))[0]
    return osslsigncode_says_checksum_right(report) and stored == pe_checksum(image)


def without_stamped_fields(image):
    """The image with the two header fields zeroed that are written after it is built: the PE
    checksum (mksfx writes the whole exe's into the stub's header) and the certificate table's
    place (signing fills it in)."""
    at = struct.unpack_from("<I", image, 0x3C)[0] + 4 + 20
    pe32_plus = struct.unpack_from("<H", image, at)[0] == 0x20B
    certificate_entry = at + (112 if pe32_plus else 96) + 4 * 8
    image = bytearray(image)
    image[at + 64:at + 68] = bytes(4)
    image[certificate_entry:certificate_entry + 8] = bytes(8)
    return bytes(image)
