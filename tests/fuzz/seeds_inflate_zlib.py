# Seed streams for fuzz_inflate_zlib: the raw Deflate streams of seeds_inflate.py without the
# first byte that target reads as its mode.
import os, subprocess, sys, tempfile
out = sys.argv[1]
here = os.path.dirname(os.path.abspath(__file__))
with tempfile.TemporaryDirectory() as tmp:
    subprocess.run([sys.executable, os.path.join(here, "seeds_inflate.py"), tmp], check=True)
    for name in sorted(os.listdir(tmp)):
        if name.endswith("_00"):
            with open(os.path.join(tmp, name), "rb") as f, open(os.path.join(out, name[:-3]), "wb") as g:
                g.write(f.read()[1:])
