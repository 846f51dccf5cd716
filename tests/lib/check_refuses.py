#!/usr/bin/env python3
# Exits with 1 when one of the WORDs passes the one-byte password check of an encrypted entry
# of ARCHIVE. Traditional encryption checks one byte of its random 12-byte header, so a wrong
# password gets through one time in 256 per entry; the fixture recipes make an archive again
# until the wrong passwords the tests use are all refused.
#   check_refuses.py ARCHIVE WORD...
import sys
import zipfile

archive, words = sys.argv[1], [w.encode() for w in sys.argv[2:]]
with zipfile.ZipFile(archive) as z:
    for info in z.infolist():
        if not info.flag_bits & 1 or info.compress_type == 99:  # not encrypted, or AES
            continue
        for word in words:
            try:
                z.open(info, pwd=word).close()
            except RuntimeError:
                continue  # the check byte refused it
            sys.exit(1)
