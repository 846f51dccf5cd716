# Seed files for fuzz_program: small self-extracting files as the builder lays them out (a
# stand-in program image, the scrambled configuration block at a multiple of 12, then the
# ZIP archive with its offsets counted from the start of the file), with stored, deflated,
# encrypted (password "secret") and directory entries; and a plain archive without a block.
# Written into the corpus folder given as the first argument.
import io
import os
import struct
import sys
import zipfile
import zlib

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
STAMP = (2021, 6, 15, 12, 0, 0)


def block(flags, directory=b""):
    """The 12-byte header and the 2,128 content bytes, not yet scrambled."""
    content = bytearray(2128)
    struct.pack_into("<HH", content, 0, 2, flags)
    for offset, kind in ((4, 1), (272, 3), (1320, 4), (1588, 5), (1856, 2)):
        size = 1041 if kind == 3 else 261
        struct.pack_into("<IH", content, offset, size + 2, kind)
    content[10:10 + len(directory)] = directory
    header = bytearray(b"\x51\x58\x09\x0a" + struct.pack("<HHI", 20, 20, len(content)))
    return header, content


def scramble(data, at):
    return bytes(b ^ ((at + i - 7) & 0xFF) for i, b in enumerate(data))


def shifted(archive, by):
    """The archive with every offset moved by `by` bytes."""
    d = bytearray(archive)
    end = d.rfind(b"PK\x05\x06")
    count, size, offset = struct.unpack("<HII", d[end + 10:end + 20])
    p = offset
    for _ in range(count):
        n, e, c = struct.unpack("<HHH", d[p + 28:p + 34])
        struct.pack_into("<I", d, p + 42, struct.unpack("<I", d[p + 42:p + 46])[0] + by)
        p += 46 + n + e + c
    struct.pack_into("<I", d, end + 16, offset + by)
    return bytes(d)


def sfx(name, archive, flags=0x0001, directory=b"C:\\seed"):
    image = b"MZ" + b"\0" * 34
    at = (len(image) + 11) // 12 * 12
    image += b"\0" * (at - len(image))
    header, content = block(flags, directory)
    record = bytes(header[:8]) + scramble(header[8:], at + 8) + scramble(content, at + 12)
    open(os.path.join(out, "seed_" + name), "wb").write(image + record + shifted(archive, at + len(record)))


def zipped(entries):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        for entry_name, data, method in entries:
            z.writestr(zipfile.ZipInfo(entry_name, STAMP), data, method)
    return buffer.getvalue()


# Traditional encryption of one stored entry, written by hand (zipfile only decrypts).
def crc_step(c, b):
    c ^= b
    for _ in range(8):
        c = (c >> 1) ^ (0xEDB88320 if c & 1 else 0)
    return c


def encrypted(entry_name, data, password=b"secret"):
    k = [0x12345678, 0x23456789, 0x34567890]

    def update(c):
        k[0] = crc_step(k[0], c)
        k[1] = ((k[1] + (k[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k[2] = crc_step(k[2], k[1] >> 24)

    for c in password:
        update(c)
    crc = zlib.crc32(data)
    sealed = bytearray()
    for c in bytes(11) + bytes([crc >> 24]) + data:
        t = (k[2] | 2) & 0xFFFF
        sealed.append(c ^ (((t * (t ^ 1)) >> 8) & 0xFF))
        update(c)
    n = entry_name.encode()
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 1, 0, 0, 0x52CF, crc, len(sealed), len(data), len(n), 0) + n
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 1, 0, 0, 0x52CF, crc, len(sealed), len(data),
                          len(n), 0, 0, 0, 0, 0x20, 0) + n
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), len(local) + len(sealed), 0)
    return local + bytes(sealed) + central + end


text = b"".join(b"line %d of the seed\n" % i for i in range(200))
sfx("mixed", zipped([("a.txt", b"hello", zipfile.ZIP_STORED), ("dir/", b"", zipfile.ZIP_STORED),
                     ("dir/text.txt", text, zipfile.ZIP_DEFLATED)]))
sfx("many", zipped([("d%d/f%02d.txt" % (i % 3, i), b"%d" % i, zipfile.ZIP_STORED) for i in range(30)]), 0x0018)
sfx("encrypted", encrypted("secret.txt", b"the secret, stored\n"))
sfx("no_block_flags", zipped([("x.bin", bytes(range(256)) * 8, zipfile.ZIP_DEFLATED)]), 0)
open(os.path.join(out, "seed_plain"), "wb").write(zipped([("p.txt", b"no block", zipfile.ZIP_STORED)]))
