#!/usr/bin/env python3
"""Assembles the builder's page into one file that works from a local server or opened as a
file: web/index.html with its style and scripts inlined, the worker's code (the compiled
builder's loader, web/mksfx-run.js and web/worker.js) as text for a blob worker, and as
base64 the builder's wasm and the stub. The main dialog's preview is drawn from the
stub's own resource script: its templates and string table are read here into JSON.

Usage: assemble.py WASM_BUILD STUB OUTPUT.html"""
import base64
import json
import os
import re
import sys

WEB = os.path.dirname(os.path.abspath(__file__))
RESOURCE_SCRIPT = os.path.join(WEB, '..', 'src', 'ui', 'res', 'stub.rc')
# The templates the preview draws: the main dialog and the viewer its Info button opens.
DIALOGS = {'IDD_FULL_LAYOUT': 'main', 'IDD_TEXT_VIEWER': 'viewer'}
STRINGS = ('IDS_BANNER', 'IDS_TITLE')
CONTROL_WORDS = ('LTEXT', 'RTEXT', 'CTEXT', 'EDITTEXT', 'LISTBOX', 'COMBOBOX', 'CONTROL',
                 'AUTOCHECKBOX', 'GROUPBOX', 'AUTORADIOBUTTON', 'DEFPUSHBUTTON', 'PUSHBUTTON', 'ICON')
# Statements whose first argument is not a text.
NO_TEXT = ('EDITTEXT', 'LISTBOX', 'COMBOBOX')


def arguments(text):
    """The comma-separated arguments of a statement, quoted texts unquoted."""
    parts = re.findall(r'"(?:[^"]|"")*"|[^,]+', text)
    return [p.strip()[1:-1].replace('""', '"') if p.strip().startswith('"') else p.strip() for p in parts]


def statements(lines):
    """The lines of a BEGIN ... END block, continuation lines joined to their statement."""
    joined = []
    for line in lines:
        word = line.split(None, 1)[0] if line.split() else ''
        if word in CONTROL_WORDS or not joined:
            joined.append(line.strip())
        else:
            joined[-1] += ' ' + line.strip()
    return joined


def control(statement):
    word, rest = statement.split(None, 1)
    args = arguments(rest)
    if word == 'CONTROL':  # text, id, class, style, x, y, w, h
        text, ident, cls, style, x, y, w, h = args[:8]
        kind = 'frame' if 'SS_BLACKFRAME' in style else cls.lower()
    elif word in NO_TEXT:
        text, (ident, x, y, w, h), style = '', args[:5], ' '.join(args[5:])
        kind = word.lower()
    else:
        text, ident, x, y, w, h = args[:6]
        style = ' '.join(args[6:])
        kind = word.lower()
    return {'kind': kind, 'text': text, 'id': ident, 'x': int(x), 'y': int(y), 'w': int(w), 'h': int(h),
            'hidden': 'NOT WS_VISIBLE' in style, 'style': style}


def read_resources():
    with open(RESOURCE_SCRIPT, encoding='utf-8') as f:
        lines = [line.rstrip('\n') for line in f if not line.lstrip().startswith('//')]
    dialogs, strings, i = {}, {}, 0
    while i < len(lines):
        head = re.match(r'(\w+) DIALOG (\d+), (\d+), (\d+), (\d+)', lines[i])
        if head and head.group(1) in DIALOGS:
            dialog = {'w': int(head.group(4)), 'h': int(head.group(5)), 'caption': '', 'controls': []}
            i += 1
            while lines[i].strip() != 'BEGIN':
                caption = re.match(r'CAPTION "(.*)"', lines[i])
                font = re.match(r'FONT (\d+), "(.*)"', lines[i])
                if caption:
                    dialog['caption'] = caption.group(1)
                if font:
                    dialog['font'] = {'points': int(font.group(1)), 'face': font.group(2)}
                i += 1
            end = lines.index('END', i)
            dialog['controls'] = [control(s) for s in statements(lines[i + 1:end])]
            dialogs[DIALOGS[head.group(1)]] = dialog
            i = end
        text = re.match(r'\s*(IDS_\w+) "(.*)"', lines[i])
        if text and text.group(1) in STRINGS:
            strings[text.group(1)] = text.group(2)
        i += 1
    missing = [name for name in list(DIALOGS.values()) + list(STRINGS) if name not in dialogs and name not in strings]
    if missing:
        sys.exit(f'assemble.py: {", ".join(missing)} not found in {RESOURCE_SCRIPT}')
    return {'dialogs': dialogs, 'strings': strings}


def read(path, binary=False):
    with open(path, 'rb' if binary else 'r', **({} if binary else {'encoding': 'utf-8'})) as f:
        return f.read()


def script_text(text):
    """Text that can stand inside a script element."""
    return text.replace('</script', '<\\/script')


def main(wasm_build, stub, output):
    page = read(os.path.join(WEB, 'index.html'))
    page = page.replace('<link rel="stylesheet" href="page.css">', '<style>\n' + read(os.path.join(WEB, 'page.css')) + '</style>')
    for name in ('preview.js', 'page.js'):
        page = page.replace(f'<script src="{name}"></script>', '<script>\n' + script_text(read(os.path.join(WEB, name))) + '</script>')
    worker = '\n'.join([read(os.path.join(wasm_build, 'mksfx.js')), read(os.path.join(WEB, 'mksfx-run.js')),
                        read(os.path.join(WEB, 'worker.js'))])
    data = {
        'worker-source': worker,
        'mksfx-wasm': base64.b64encode(read(os.path.join(wasm_build, 'mksfx.wasm'), True)).decode('ascii'),
        'stub-exe': base64.b64encode(read(stub, True)).decode('ascii'),
        'stub-resources': json.dumps(read_resources(), ensure_ascii=False),
    }
    blocks = ''.join(f'<script type="text/plain" id="{name}">{script_text(text)}</script>\n' for name, text in data.items())
    if '<!-- DATA -->' not in page:
        sys.exit('assemble.py: index.html has no <!-- DATA --> mark')
    page = page.replace('<!-- DATA -->', blocks)
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    with open(output, 'w', encoding='utf-8') as f:
        f.write(page)


if __name__ == '__main__':
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
