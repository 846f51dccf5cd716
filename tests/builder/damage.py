#!/usr/bin/env python3
# The damage series: finished self-extracting files of a few shapes (Deflate, Deflate64,
# traditional encryption, many small entries, directories; archives made by Info-ZIP zip and
# 7z, wrapped by mksfx) are cut at many positions and get single bits flipped in every region
# of the file (program image, configuration block, local headers, entry data, central
# directory, end record). Each damaged file is extracted with mksfx into a fresh target.
# Over all runs: no crash, no sanitizer report, no hang, nothing written outside the target,
# and every run whose extracted tree (names, kinds, bytes) differs from the undamaged one
# reports it with a warning, an error or a non-zero status. Prints the counts; non-zero
# status when any run breaks a rule.
#   damage.py MKSFX STUB WORK
import os
import random
import re
import shutil
import struct
import subprocess
import sys

mksfx, stub, work = sys.argv[1], sys.argv[2], sys.argv[3]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
ENV = dict(os.environ, TZ="Asia/Tokyo",
           ASAN_OPTIONS="abort_on_error=1:detect_leaks=0",
           UBSAN_OPTIONS="abort_on_error=1:print_stacktrace=1:halt_on_error=1")
TIMEOUT = 30
CUTS = 24          # cut positions spread over each file, besides the region boundaries
FLIPS = 10         # flipped bits per region and shape
rng = random.Random(10)


def tree(root, files, dirs=()):
    for d in dirs:
        os.makedirs(os.path.join(root, d), exist_ok=True)
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "wb").write(data)
    for base, subdirs, names in os.walk(root):
        for n in subdirs + names:
            os.utime(os.path.join(base, n), (1_600_000_000, 1_600_000_000))


def text(n, seed):
    r = random.Random(seed)
    words = [b"alpha", b"beta", b"gamma", b"window", b"entry", b"\n", b"0123456789"]
    return b" ".join(r.choice(words) for _ in range(n))


mixed = {"readme.txt": text(400, 1), "data/table.txt": text(3000, 2),
         "data/noise.bin": bytes(rng.getrandbits(8) for _ in range(1500)),
         "data/far.bin": text(200, 3) + bytes(rng.getrandbits(8) for _ in range(40000)) + text(200, 3)}
shapes = []  # (name, command to make the zip in the source folder, source files, dirs, password)
shapes.append(("deflate", ["zip", "-q", "-X", "-r", "-9"], mixed, (), None))
shapes.append(("deflate64", ["7z", "a", "-tzip", "-bd", "-m0=Deflate64"], mixed, (), None))
shapes.append(("zipcrypto", ["zip", "-q", "-X", "-r", "-P", "secret"], mixed, (), "secret"))
shapes.append(("many", ["zip", "-q", "-X", "-r"],
               {"f%02d.txt" % i: text(i % 7, i)[: i % 40] for i in range(60)}, (), None))
shapes.append(("directories", ["zip", "-q", "-X", "-r", "-0"],
               {"a/b/c/leaf.txt": b"leaf\n", "a/side.txt": b"side\n", "top.txt": b"top\n"},
               ("a/b/empty", "e1/e2/e3", "lone"), None))


def run(cmd, **kw):
    return subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          env=ENV, **kw)


def listing(root):
    found = {}
    for base, dirs, names in os.walk(root):
        for d in dirs:
            found[os.path.relpath(os.path.join(base, d), root) + "/"] = None
        for n in names:
            p = os.path.join(base, n)
            found[os.path.relpath(p, root)] = open(p, "rb").read() if os.path.isfile(p) else "special"
    return found


def regions(data, block):
    """Byte ranges of the file's parts: name -> list of (start, end)."""
    end = data.rfind(b"PK\x05\x06")
    count, size, offset = struct.unpack("<HII", data[end + 10:end + 20])
    local, payload = [], []
    p = offset
    for _ in range(count):
        n, e, c = struct.unpack("<HHH", data[p + 28:p + 34])
        compressed = struct.unpack("<I", data[p + 20:p + 24])[0]
        at = struct.unpack("<I", data[p + 42:p + 46])[0]
        ln, le = struct.unpack("<HH", data[at + 26:at + 30])
        local.append((at, at + 30 + ln + le))
        if compressed:
            payload.append((at + 30 + ln + le, at + 30 + ln + le + compressed))
        p += 46 + n + e + c
    return {"program image": [(0, block)], "configuration block": [(block, block + 2140)],
            "local headers": local, "data": payload or [(block + 2140, block + 2141)],
            "central directory": [(offset, offset + size)], "end record": [(end, end + 22)]}


def spread(ranges, k):
    """k positions spread over the given ranges (all of them when they hold fewer)."""
    total = sum(b - a for a, b in ranges)
    picks = sorted({int(total * (i + 0.5) / k) for i in range(k)} if total > k else range(total))
    out = []
    for pick in picks:
        for a, b in ranges:
            if pick < b - a:
                out.append(a + pick)
                break
            pick -= b - a
    return out


counts = dict(runs=0, cuts=0, flips=0, differing=0, reported_differing=0, identical=0, crashes=0,
              sanitizer=0, hangs=0, escapes=0, unreported=0)
by_region = {}
failures = []

for name, zip_cmd, files, dirs, password in shapes:
    src = os.path.join(work, "src-" + name)
    tree(src, files, dirs)
    archive = os.path.join(work, name + ".zip")
    made = run(zip_cmd + [archive, "."], cwd=src)
    exe = os.path.join(work, name + ".exe")
    built = run([mksfx, "build", "-o", exe, "--stub", stub, "--subdirs", "--dir", "C:\\Damage", archive])
    if made.returncode or built.returncode:
        sys.exit("damage series: cannot make the %s shape:\n%s%s" % (name, made.stdout.decode(), built.stdout.decode()))
    extra = ["--subdirs"] + (["--password", password] if password else [])
    ref = os.path.join(work, "ref-" + name)
    first = run([mksfx, "extract", exe, "-d", ref] + extra)
    if first.returncode or not re.search(rb"finished:.* 0 warnings", first.stdout):
        sys.exit("damage series: the undamaged %s shape does not extract cleanly:\n%s" % (name, first.stdout.decode()))
    original = listing(ref)
    data = open(exe, "rb").read()
    shown = run([mksfx, "show", exe]).stdout.decode("utf-8", "replace")
    block = int(re.search(r"configuration block: at offset (\d+)", shown).group(1))
    parts = regions(data, block)

    cases = []  # (kind, region, bytes)
    # Around the edges of each region (for the first and the last local record only).
    edges = [rs[:1] + rs[-1:] for rs in parts.values()]
    boundaries = sorted({x for rs in edges for a, b in rs for x in (a, b, a + 1, b - 1)})
    for at in sorted(set(spread([(1, len(data))], CUTS)) | {x for x in boundaries if 0 < x < len(data)}):
        cases.append(("cut", "cut", data[:at]))
    for region, ranges in parts.items():
        for i, at in enumerate(spread(ranges, FLIPS)):
            d = bytearray(data)
            d[at] ^= 1 << ((at + i) % 8)
            cases.append(("flip", region, bytes(d)))

    for n, (kind, region, bytes_) in enumerate(cases):
        case = os.path.join(work, "case.exe")
        open(case, "wb").write(bytes_)
        jail = os.path.join(work, "jail")
        shutil.rmtree(jail, ignore_errors=True)
        os.makedirs(jail)
        target = os.path.join(jail, "target")
        label = "%s %s %s #%d" % (name, kind, region, n)
        counts["runs"] += 1
        counts[kind + "s"] += 1
        stats = by_region.setdefault(region, [0, 0])
        stats[0] += 1
        try:
            done = run([mksfx, "extract", case, "-d", target] + extra, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            counts["hangs"] += 1
            failures.append(label + ": no end within %d s" % TIMEOUT)
            shutil.copy(case, os.path.join(work, "hang-%s-%d.exe" % (name, n)))
            continue
        out = done.stdout.decode("utf-8", "replace")
        rc = done.returncode
        if rc < 0 or (rc >= 128 and rc != 255):
            counts["crashes"] += 1
            failures.append("%s: ended with %d\n%s" % (label, rc, out[-600:]))
            shutil.copy(case, os.path.join(work, "crash-%s-%d.exe" % (name, n)))
        if "Sanitizer" in out or "runtime error:" in out:
            counts["sanitizer"] += 1
            failures.append("%s: sanitizer report\n%s" % (label, out[-1500:]))
            shutil.copy(case, os.path.join(work, "sanitizer-%s-%d.exe" % (name, n)))
        if sorted(os.listdir(jail)) not in ([], ["target"]):
            counts["escapes"] += 1
            failures.append("%s: wrote outside the target: %s" % (label, sorted(os.listdir(jail))))
        got = listing(target) if os.path.isdir(target) else {}
        if got == original:
            counts["identical"] += 1
            continue
        counts["differing"] += 1
        stats[1] += 1
        warnings = re.search(r"finished:.*?(\d+) warning", out)
        reported = rc != 0 or re.search(r"warning \d+:|ended with status|error", out) or \
            (warnings and int(warnings.group(1)) > 0)
        if reported:
            counts["reported_differing"] += 1
        else:
            counts["unreported"] += 1
            missing = sorted(set(original) - set(got))[:3]
            changed = sorted(k for k in got if k in original and got[k] != original[k])[:3]
            added = sorted(set(got) - set(original))[:3]
            failures.append("%s: output differs without a report (missing %s, changed %s, new %s)\n%s"
                            % (label, missing, changed, added, out[-400:]))
            shutil.copy(case, os.path.join(work, "unreported-%s-%d.exe" % (name, n)))

for line in failures[:20]:
    print("FAIL: " + line)
print("damage series: %(runs)d runs (%(cuts)d cuts, %(flips)d bit flips): %(identical)d identical, "
      "%(differing)d differing (%(reported_differing)d reported, %(unreported)d unreported); "
      "%(crashes)d crashes, %(sanitizer)d sanitizer reports, %(hangs)d hangs, "
      "%(escapes)d writes outside the target" % counts)
print("  differing by region: " + ", ".join("%s %d/%d" % (r, s[1], s[0]) for r, s in by_region.items()))
bad = counts["crashes"] + counts["sanitizer"] + counts["hangs"] + counts["escapes"] + counts["unreported"]
sys.exit(1 if bad else 0)
