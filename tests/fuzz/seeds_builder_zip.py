# Seed archives for fuzz_builder_zip, made by Python's zipfile: stored and deflated entries,
# a directory, a UTF-8 name (flagged by zipfile), names that begin with "./", data
# descriptors from a streamed write, a comment, and ZIP64 records; and by hand, central
# records that share one local header.
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


class Unseekable(io.RawIOBase):
    """A stream zipfile cannot seek back in, so each entry gets a data descriptor."""

    def __init__(self, buffer):
        self.buffer = buffer

    def writable(self):
        return True

    def write(self, b):
        return self.buffer.write(b)


def archive(name, entries, comment=b"", stream=False, zip64=False):
    buffer = io.BytesIO()
    with zipfile.ZipFile(Unseekable(buffer) if stream else buffer, "w") as z:
        for entry_name, data, method in entries:
            info = zipfile.ZipInfo(entry_name, STAMP)
            info.compress_type = method
            with z.open(info, "w", force_zip64=zip64) as f:
                f.write(data)
        z.comment = comment
    open(os.path.join(out, "seed_" + name), "wb").write(buffer.getvalue())


STORED, DEFLATED = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
archive("stored", [("readme.txt", b"hello, world\r\n", STORED)])
archive("deflated", [("data.bin", bytes(range(256)) * 8, DEFLATED)], comment=b"setup 1.0")
archive("directory", [("docs/", b"", STORED), ("docs/a.txt", b"a" * 100, DEFLATED), ("b.txt", b"b", STORED)])
archive("dot_prefix", [("./", b"", STORED), ("./a.txt", b"a", STORED), ("A.txt", b"b", STORED)])
archive("utf8", [("データ/説明.txt", "説明".encode("utf-8") * 10, DEFLATED)])
archive("stream", [("s.txt", b"streamed " * 30, DEFLATED), ("t.txt", b"t", STORED)], stream=True)
archive("zip64", [("big.txt", b"z" * 300, DEFLATED)], zip64=True)


def shared(name, count, extra, data):
    """`count` central records of one stored entry, all naming its one local header."""
    crc, entry = zlib.crc32(data), b"s.bin"
    head = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, 0, 0x21, crc, len(data), len(data), len(entry), len(extra))
    record = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, 0x21, crc, len(data), len(data),
                         len(entry), 0, 0, 0, 0, 0, 0) + entry
    local = head + entry + extra + data
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(record) * count, len(local), 0)
    open(os.path.join(out, "seed_" + name), "wb").write(local + record * count + end)


# Held once per record, a 4 KB local extra field took 64 KB a record (1.3 GB for 20,000).
shared("shared_header", 64, struct.pack("<HH", 0x6666, 4092) + bytes(4092), b"x" * 100)
# A ZIP64 field in the local header (the input is then not read by the stub's reader): the
# shared data was written once per record.
shared("shared_zip64", 8, struct.pack("<HHQQ", 1, 16, 1024, 1024), b"y" * 1024)
