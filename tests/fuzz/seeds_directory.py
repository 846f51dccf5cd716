# Seed archives for fuzz_directory: small archives made by Python's zipfile (stored,
# deflated, with comments, directory entries, data descriptors, a prefix) written into the
# corpus folder given as the first argument.
import io
import os
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def archive(name, entries, comment=b"", prefix=b"", stream=False):
    buffer = io.BytesIO()
    buffer.write(prefix)
    target = buffer
    if stream:
        class Unseekable(io.RawIOBase):
            def writable(self):
                return True

            def write(self, b):
                return buffer.write(b)
        target = Unseekable()
    with zipfile.ZipFile(target, "w") as z:
        for entry_name, data, method in entries:
            z.writestr(zipfile.ZipInfo(entry_name, (2021, 6, 15, 12, 0, 0)), data, method)
        z.comment = comment
    open(os.path.join(out, "seed_" + name), "wb").write(buffer.getvalue())


archive("stored", [("a.txt", b"hello", zipfile.ZIP_STORED), ("dir/", b"", zipfile.ZIP_STORED)])
archive("deflated", [("x/y.bin", bytes(range(256)) * 4, zipfile.ZIP_DEFLATED)], comment=b"c" * 40)
archive("stream", [("s.txt", b"streamed" * 20, zipfile.ZIP_DEFLATED), ("t", b"t", zipfile.ZIP_STORED)],
        stream=True)
archive("prefix", [("p.txt", b"behind a prefix", zipfile.ZIP_STORED)], prefix=b"MZ" + b"\0" * 100)
archive("empty", [])
archive("many", [("n%03d.txt" % i, b"%d" % i, zipfile.ZIP_STORED) for i in range(60)])
