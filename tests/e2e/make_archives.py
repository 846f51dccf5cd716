#!/usr/bin/env python3
# Makes the inputs of the end-to-end tests in the folder given as the first argument: ZIP
# archives written by Python's zipfile (fixed dates, so the texts that show them are known)
# and, where an entry must be encrypted, by Info-ZIP zip. Also prints the figures the tests
# expect (required kilobytes) as NAME=VALUE lines.
import os
import random
import subprocess
import sys
import zipfile

out = sys.argv[1]
refuses = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'lib', 'check_refuses.py')
os.makedirs(out, exist_ok=True)
NEW_DATE = (2001, 2, 3, 4, 5, 6)


def pseudo_random(n, seed):
    # A deterministic byte stream that deflate cannot shrink much.
    return random.Random(seed).randbytes(n)


def write_zip(name, entries, method=zipfile.ZIP_DEFLATED):
    path = os.path.join(out, name)
    with zipfile.ZipFile(path, 'w') as z:
        for entry_name, data in entries:
            info = zipfile.ZipInfo(entry_name, date_time=NEW_DATE)
            info.compress_type = method
            info.external_attr = 0x20 if not entry_name.endswith('/') else 0x10
            z.writestr(info, data)
    return path


def kilobytes(entries):
    total = sum(len(d) for _, d in entries)
    return (total + 1023) // 1024


# The main payload, as a folder for the builder (which stores the names as code page 932):
# files at the top and in a subdirectory, a Japanese name, about 1.3 MB in all.
main_entries = [
    ('readme.txt', b'Read me first.\r\n'),
    ('data/big.bin', pseudo_random(1300000, 7)),
    ('data/small.txt', b'small\r\n'),
    ('日本語.txt', '日本語のファイル\r\n'.encode('cp932')),
]
payload = os.path.join(out, 'main_payload')
for entry_name, data in main_entries:
    target = os.path.join(payload, entry_name)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target, 'wb') as f:
        f.write(data)
print('MAIN_KB=%d' % kilobytes(main_entries))

# Overwrite questions: the first file is 1,234,567 bytes.
write_zip('overwrite.zip', [('f1.bin', pseudo_random(1234567, 3)), ('f2.txt', b'new two\r\n'),
                            ('f3.txt', b'new three\r\n'), ('f4.txt', b'new four\r\n'),
                            ('f5.txt', b'new five\r\n')])

# Flat names only (no '/'), and no comment.
write_zip('flat.zip', [('one.txt', b'one\r\n'), ('two.txt', b'two\r\n')])

# Two stored entries whose data no longer matches their CRC-32.
p = write_zip('crcbad.zip', [('good.txt', b'good data\r\n'), ('bad1.txt', b'AAAAAAAAAAAAAAAA'),
                            ('bad2.txt', b'BBBBBBBBBBBBBBBB')], zipfile.ZIP_STORED)
blob = bytearray(open(p, 'rb').read())
for marker in (b'AAAAAAAAAAAAAAAA', b'BBBBBBBBBBBBBBBB'):
    at = blob.find(marker)
    blob[at] ^= 0x01
open(p, 'wb').write(bytes(blob))

# Many small entries, so that an extraction runs for a few seconds (Cancel during a run).
write_zip('long.zip', [('many/f%04d.bin' % i, bytes(65536)) for i in range(1500)])
# A large entry first, then a small one: both replace files of an earlier version.
write_zip('replace.zip', [('big.bin', pseudo_random(8_000_000, 11)), ('small.txt', b'new small\n')])

# Five small entries, then one of 300 MB (text that deflate takes to about a third): the
# dialog inside one large entry (its figures, Cancel). Written a megabyte at a time.
rng = random.Random(17)
words = [bytes(rng.choice(b'abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9))) for _ in range(3000)]
block = b' '.join(rng.choice(words) for _ in range(180000))[:1 << 20]
with zipfile.ZipFile(os.path.join(out, 'large.zip'), 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    for i in range(5):
        z.writestr('small%d.txt' % i, b'small %d\r\n' % i)
    with z.open('large.dat', 'w') as f:
        for i in range(300):
            f.write(block)

# Encrypted entries (traditional ZIP encryption, by Info-ZIP zip) followed by a plain one.
enc = os.path.join(out, 'enc_src')
os.makedirs(enc, exist_ok=True)
for name, text in (('e1.txt', b'secret one\r\n'), ('e2.txt', b'secret two\r\n'), ('plain.txt', b'plain\r\n')):
    with open(os.path.join(enc, name), 'wb') as f:
        f.write(text)


# The tests type "wrong" for a password that the header's one-byte check refuses; it passes
# one time in 256 per entry (the stub then reports a CRC error, not the question again), so
# the archive is made again until the check refuses it (tests/lib/check_refuses.py).
def zip_encrypted(archive, password, wrong=None):
    target = os.path.join(out, archive)
    while True:
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(['zip', '-q', '-X', '-P', password, target, 'e1.txt', 'e2.txt'], cwd=enc, check=True)
        subprocess.run(['zip', '-q', '-X', target, 'plain.txt'], cwd=enc, check=True)
        if wrong is None or subprocess.run([sys.executable, refuses, target, wrong]).returncode == 0:
            return


zip_encrypted('secret.zip', 'secret', wrong='wrong')
zip_encrypted('long_password.zip', 'abcdefghijklmnopqrstuvwxyz01234')  # 31 characters
