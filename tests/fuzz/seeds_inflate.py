# Seed streams for fuzz_inflate: stored, fixed and dynamic blocks made by zlib, each with a
# first byte choosing Deflate mode and a read size.
import os, sys, zlib, random
out = sys.argv[1]
rng = random.Random(7)
text = b"".join(rng.choice([b"alpha ", b"beta ", b"gamma\n", b"\x00\x01\x02", b"delta "]) for _ in range(3000))
samples = {
    "stored": (text[:2000], 0, zlib.Z_DEFAULT_STRATEGY),
    "fixed": (text[:3000], 6, zlib.Z_FIXED),
    "dynamic": (text, 9, zlib.Z_DEFAULT_STRATEGY),
    "huffman": (bytes(rng.randrange(256) for _ in range(4000)), 6, zlib.Z_HUFFMAN_ONLY),
    "rle": (b"a" * 5000 + b"b" * 300, 6, zlib.Z_RLE),
}
for name, (data, level, strategy) in samples.items():
    c = zlib.compressobj(level, zlib.DEFLATED, -15, 8, strategy)
    stream = c.compress(data) + c.flush()
    for first in (0x00, 0x04, 0x01):
        with open(os.path.join(out, "seed_%s_%02x" % (name, first)), "wb") as f:
            f.write(bytes([first]) + stream)
