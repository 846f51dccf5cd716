# Seed files for fuzz_builder_files, each led by the byte that picks the reader: icons
# (0, behind their length, and followed by the stub they go into), settings files (1) and
# stub images (2). The stubs are small PE32 images made here (code, resources and
# relocation sections; resources laid out as a linker does: directories, names, data
# entries, data), with an icon, a version record and a manifest, one signed and one with
# named resources; the real stub joins them when build/win32/sfxstub.exe has been built.
# Written into the corpus folder given as the first argument.
import os
import struct
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
JAPANESE = 0x0411
RSRC_ADDRESS = 0x2000  # the resource section's address in the images made here


def align(data, to):
    return bytes(data) + b"\0" * (-len(data) % to)


def icon_file(sizes):
    """An .ico file with one square 32-bit image per size (a header and zero pixels)."""
    images = [struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 32, 0, 0, 0, 0, 0, 0) + bytes(s * s * 4 + s * 4)
              for s in sizes]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    for s, image in zip(sizes, images):
        head += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return head + b"".join(images), images


def version_node(key, value=b"", children=(), text=False):
    """One node of a version record: lengths, type, key, then its value and children on
    4-byte boundaries."""
    body = align(struct.pack("<HHH", 0, 0, 1 if text else 0) + (key + "\0").encode("utf-16-le"), 4) + value
    for child in children:
        body = align(body, 4) + child
    length = len(value) // 2 if text else len(value)
    return struct.pack("<HH", len(body), length) + body[4:]


def version_record(version=(1, 1, 0, 0)):
    ms, ls = version[0] << 16 | version[1], version[2] << 16 | version[3]
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    texts = [version_node(k, (v + "\0").encode("utf-16-le"), text=True)
             for k, v in (("ProductName", "自己解凍"), ("FileVersion", "1.1.0.0"), ("CompanyName", "作者"))]
    table = version_node("StringFileInfo", children=[version_node("041104b0", children=texts, text=True)], text=True)
    translation = version_node("VarFileInfo", children=[version_node("Translation", struct.pack("<HH", JAPANESE, 1200))],
                               text=True)
    return version_node("VS_VERSION_INFO", fixed, [table, translation])


MANIFEST = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
            b'<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">'
            b'<trustInfo xmlns="urn:schemas-microsoft-com:asm.v3"><security><requestedPrivileges>'
            b'<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'
            b'</requestedPrivileges></security></trustInfo></assembly>\r\n')


def ordered(directory):
    """Names first (in upper-case order), then numbers, as the loader searches them."""
    return sorted(directory, key=lambda k: (0, k.upper(), 0) if isinstance(k, str) else (1, "", k))


def resource_section(tree, address):
    """The resource section for {type: {name: {language: data}}}, keys numbers or names."""
    directories, queue = [], [tree]
    while queue:
        d = queue.pop(0)
        directories.append(d)
        queue += [d[k] for k in ordered(d) if isinstance(d[k], dict)]
    at, position = {}, 0
    for d in directories:
        at[id(d)] = position
        position += 16 + 8 * len(d)
    names = {}
    for d in directories:
        for k in ordered(d):
            if isinstance(k, str) and k not in names:
                names[k] = position
                position += 2 + 2 * len(k)
    position += -position % 8
    leaves = [d[k] for d in directories for k in ordered(d) if not isinstance(d[k], dict)]
    entry_at, position = position, position + 16 * len(leaves)
    out, leaf = bytearray(position), 0
    for d in directories:
        keys = ordered(d)
        named = sum(isinstance(k, str) for k in keys)
        struct.pack_into("<IIHHHH", out, at[id(d)], 0, 0, 0, 0, named, len(keys) - named)
        for i, k in enumerate(keys):
            key = names[k] | 0x80000000 if isinstance(k, str) else k
            child = d[k]
            if isinstance(child, dict):
                target = at[id(child)] | 0x80000000
            else:
                target, leaf = entry_at + 16 * leaf, leaf + 1
            struct.pack_into("<II", out, at[id(d)] + 16 + 8 * i, key, target)
    for k, offset in names.items():
        struct.pack_into("<H", out, offset, len(k))
        out[offset + 2:offset + 2 + 2 * len(k)] = k.encode("utf-16-le")
    for i, data in enumerate(leaves):
        out += b"\0" * (-len(out) % 8)
        struct.pack_into("<IIII", out, entry_at + 16 * i, address + len(out), len(data), 0, 0)
        out += data
    return bytes(out)


def shared_entries(count, size, named):
    """A resource section of `size` bytes whose one language directory has `count` entries
    sharing one data entry that covers the whole section or (named) one name that does."""
    out = bytearray(size)
    # The root's time field, which readers skip, holds the length of the shared name.
    struct.pack_into("<IHHHHHHII", out, 0, 0, (size - 6) // 2, 0, 0, 0, 0, 1, RT_VERSION, 0x80000018)
    struct.pack_into("<IIHHHHII", out, 0x18, 0, 0, 0, 0, 0, 1, 1, 0x80000030)
    struct.pack_into("<IIHHHH", out, 0x30, 0, 0, 0, 0, count if named else 0, 0 if named else count)
    leaf = 0x40 + 8 * count
    for i in range(count):
        struct.pack_into("<II", out, 0x40 + 8 * i, 0x80000004 if named else i, leaf)
    struct.pack_into("<IIII", out, leaf, RSRC_ADDRESS, 16 if named else size, 0, 0)
    return bytes(out)


def pe_image(rsrc, signed=False):
    """A PE32 GUI image: .text (a return), .rsrc (`rsrc`), .reloc (one empty block)."""
    file_align, section_align, base = 0x200, 0x1000, 0x400000
    bodies = [(b".text", b"\xc3", 0x60000020), (b".rsrc", rsrc, 0x40000040),
              (b".reloc", struct.pack("<II", 0x1000, 8), 0x42000040)]
    sections, raw, address, data, directories = b"", 0x200, 0x1000, b"", [(0, 0)] * 16
    for name, body, flags in bodies:
        if name == b".reloc":
            directories[5] = (address, len(body))
        raw_size = len(align(body, file_align))
        sections += struct.pack("<8sIIIIIIHHI", name, len(body), address, raw_size, raw, 0, 0, 0, 0, flags)
        data += align(body, file_align)
        raw += raw_size
        address += len(align(body, section_align))
    directories[2] = (RSRC_ADDRESS, len(rsrc))
    if signed:
        directories[4] = (raw, 16)  # a certificate table: a file offset, after the sections
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 2, 30, 0x200, 0x400, 0, 0x1000, 0x1000,
                           0x2000, base, section_align, file_align, 4, 0, 0, 0, 4, 0, 0, address, 0x200, 0, 2,
                           0, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    optional += b"".join(struct.pack("<II", *d) for d in directories)
    coff = struct.pack("<4sHHIIIHH", b"PE\0\0", 0x14C, len(bodies), 0, 0, 0, len(optional), 0x0102)
    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 64)
    image = align(dos + coff + optional + sections, file_align) + data
    return image + (struct.pack("<IHH", 16, 0x200, 2) + b"\0" * 8 if signed else b"")


def seed(name, selector, body):
    open(os.path.join(out, "seed_" + name), "wb").write(bytes([selector]) + body)


icon, images = icon_file([16])
group = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHIH", 16, 16, 0, 0, 1, 32, len(images[0]), 1)
full = {RT_ICON: {1: {JAPANESE: images[0]}}, RT_GROUP_ICON: {1: {JAPANESE: group}},
        RT_VERSION: {1: {JAPANESE: version_record()}}, RT_MANIFEST: {1: {JAPANESE: MANIFEST}}}
named = {RT_VERSION: {1: {JAPANESE: version_record((2, 0, 3, 4))}}, "SETUPDATA": {"MAIN": {0: b"payload"}},
         RT_GROUP_ICON: {"SFXICON": {0: group}}, RT_ICON: {1: {0: images[0]}}}
stub, plain = pe_image(resource_section(full, RSRC_ADDRESS)), pe_image(resource_section(named, RSRC_ADDRESS))
two_icons, _ = icon_file([16, 32])
for name, ico, target in (("icon_one", icon, stub), ("icon_two", two_icons, stub), ("icon_named", icon, plain)):
    seed(name, 0, struct.pack("<H", len(ico)) + ico + target)
# 4,000 images that are each the whole 64 KB file: once read as 250 MB of copies.
overlap = struct.pack("<HHH", 0, 1, 4000) + struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, 6 + 16 * 4000, 0) * 4000
seed("icon_overlap", 0, struct.pack("<H", len(overlap)) + overlap + stub)
seed("stub", 2, stub)
seed("stub_named", 2, plain)
seed("stub_signed", 2, pe_image(resource_section(full, RSRC_ADDRESS), signed=True))
# 12,000 entries sharing 100 KB of data, or a 100 KB name: once read as 1.2 GB of copies.
seed("stub_shared_data", 2, pe_image(shared_entries(12000, 100 * 1024, False)))
seed("stub_shared_name", 2, pe_image(shared_entries(12000, 100 * 1024, True)))
seed("settings_shown", 1, "# mksfx settings\ndir = C:\\Program Files\\自己解凍\nsubdirs = yes\nmessages = no\n"
     "overwrite = ask\ngroup = アプリ|[CreateGroup(アプリ)]|[AddItem(%0APP.EXE,アプリ)]\n"
     "extensions = $.abc|%0VIEW.EXE %1|x.txt|%0EDIT.EXE %1\ncomment = 一行目\ncomment = 二行目\n".encode("utf-8"))
seed("settings_build", 1, b"level = 6\r\nexclude = *.bak\nutf8-names = yes\nallow-unextractable = no\n"
     b"version-info = ProductName=App\nmanifest-level = requireAdministrator\nicon = app.ico\nstrict = yes\n")
real = os.path.join(os.path.dirname(__file__), "..", "..", "build", "win32", "sfxstub.exe")
if os.path.exists(real):
    real_stub = open(real, "rb").read()
    seed("real_stub", 2, real_stub)
    seed("real_icon", 0, struct.pack("<H", len(two_icons)) + two_icons + real_stub)
