#!/usr/bin/env python3
"""Writes the archives of the builder's checks of what Windows makes of names and of
damaged inputs into the folder given: each holds one fault that a build must refuse (or
deliver whole), made with Python's zipfile and patched where zipfile cannot write the fault
itself (names without the UTF-8 flag, shared local headers, the version field)."""
import struct
import sys
import zipfile
import zlib
from pathlib import Path

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)


def write(name, entries, patch=None):
    """entries: (name, data) pairs, or (name, data, external attributes[, host system])."""
    path = out / name
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        for entry in entries:
            info = zipfile.ZipInfo(entry[0], (2024, 5, 1, 12, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if entry[0][-1] in '/\\' else zipfile.ZIP_DEFLATED
            if len(entry) > 2:
                info.external_attr = entry[2]
            if len(entry) > 3:
                info.create_system = entry[3]
            z.writestr(info, entry[1])
    if patch:
        path.write_bytes(patch(path.read_bytes()))


def raw_name(placeholder, raw):
    """Puts bytes that zipfile would flag as UTF-8 in place of an ASCII placeholder."""
    assert len(placeholder) == len(raw)
    return lambda data: data.replace(placeholder, raw)


# A file and a directory at one path: by a deeper entry, by a directory entry, and by the
# DOS directory attribute of an entry without the trailing separator.
write('file_and_directory.zip', [('a/b', b'1'), ('a/b/c', b'2')])
write('file_and_directory_entry.zip', [('a/b', b'1'), ('a/b/', b'')])
write('dos_directory.zip', [('a/b', b'', 0x10), ('a/b/c', b'2')])
# Case pairs beyond ASCII that Windows folds: Cyrillic and full-width Latin.
write('cyrillic_case.zip', [('ПРИВЕТ.txt', b'1'), ('привет.txt', b'2')])
write('fullwidth_case.zip', [('ＡＢＣ.txt', b'1'), ('ａｂｃ.txt', b'2')])
# The same file name in two folders: one file without subdirectories.
write('same_name_two_folders.zip', [('x/a.txt', b'1'), ('y/a.txt', b'2')])
# Directories at the top only, and a file beside them.
write('top_directories.zip', [('dir1/', b''), ('dir2/', b''), ('top.txt', b'top\n')])
# Names that begin with "./", as an archive made from "." has them: the same files as
# without it, so one of each name delivers and two are one file.
write('dot_prefix.zip', [('./', b''), ('./dir1/', b''), ('./top.txt', b'top\n'), ('./dir2/x', b'x')])
write('dot_prefix_same_file.zip', [('./a.txt', b'1'), ('a.txt', b'2')])
# '\' between folders, as a Windows writer (host 0, MS-DOS) may have it.
write('backslash_windows.zip', [('dir1\\', b'', 0x10, 0), ('top.txt', b'top\n', 0x20, 0), ('dir2\\x', b'x', 0x20, 0)])
# A Unix symbolic link: its stored bytes are the path it points to.
write('symlink.zip', [('real.txt', b'1'), ('link.txt', b'real.txt', 0o120777 << 16)])


# 64 central records that all name one local header of 100,000 deflated zero bytes.
def shared_header(data):
    central = data.index(b'PK\x01\x02')
    end = data.index(b'PK\x05\x06')
    record = data[central:end]
    count = 64
    eocd = bytearray(data[end:end + 22])
    struct.pack_into('<HHII', eocd, 8, count, count, len(record) * count, central)
    return data[:central] + record * count + bytes(eocd)


write('shared_header.zip', [('zeros.bin', bytes(100000))], shared_header)


# Version needed to extract with the host system in its high byte (0x0314: 2.0, Unix).
def host_in_version(data):
    data = bytearray(data)
    for signature, offset in ((b'PK\x03\x04', 4), (b'PK\x01\x02', 6)):
        at = data.index(signature)
        struct.pack_into('<H', data, at + offset, 0x0314)
    return bytes(data)


write('version_with_host.zip', [('v.txt', b'version\n')], host_in_version)
# A last name whose final 20 bytes begin with the ZIP64 locator's signature (and carry
# control characters, the true reason for a refusal).
write('locator_in_name.zip', [('n' + 'PK\x06\x07' + '0123456789abcdef', b'x')])
# A name that reads as UTF-8 and as code page 932 text alike ("café" or half-width kana).
write('ambiguous_name.zip', [('caf__.txt', b'x')], raw_name(b'caf__.txt', 'café.txt'.encode()))
