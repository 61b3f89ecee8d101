"""Reads messages written by the MIME writer with Python's email package (policy default) and
compares what a reader sees (subject, display names, body text, attachment names) with the
texts the messages were made from (argv[1], JSON; the message files follow).

ISO-2022-JP is decoded the way Japanese mail programs on Windows read it: JIS X 0208 with the
extension rows of code page 932 (circled numbers and the like), through Python's cp932 table.
The decoder is strict: an unknown escape, a character cut in two or a word that ends in kanji
mode is an error, so every encoded word must decode on its own."""
import codecs
import encodings
import json
import os
import sys
from email import policy
from email.parser import BytesParser

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'jtext'))
from codec_oracle_test import widen_half_kana  # noqa: E402


def decode_jis(data, errors='strict'):
    data = bytes(data)
    out, kanji, i = [], False, 0
    while i < len(data):
        if data[i] == 0x1B:
            seq = data[i + 1:i + 3]
            if seq in (b'$B', b'$@'):
                kanji = True
            elif seq in (b'(B', b'(J'):
                kanji = False
            else:
                raise UnicodeDecodeError('iso-2022-jp', data, i, i + 3, 'unknown escape')
            i += 3
        elif kanji:
            if i + 1 >= len(data):
                raise UnicodeDecodeError('iso-2022-jp', data, i, i + 1, 'character cut')
            j1, j2 = data[i], data[i + 1]
            s1 = (j1 + 1) // 2 + (0x70 if j1 < 0x5F else 0xB0)
            s2 = j2 + (0x1F if j2 < 0x60 else 0x20) if j1 % 2 else j2 + 0x7E
            out.append(bytes([s1, s2]).decode('cp932'))
            i += 2
        else:
            if data[i] >= 0x80:
                raise UnicodeDecodeError('iso-2022-jp', data, i, i + 1, '8-bit byte')
            out.append(chr(data[i]))
            i += 1
    if kanji:
        raise UnicodeDecodeError('iso-2022-jp', data, len(data), len(data), 'ends in kanji mode')
    return ''.join(out), len(data)


JIS = codecs.CodecInfo(codecs.lookup('iso2022_jp').encode, decode_jis, name='iso2022_jp')


def search(name):
    if name.replace('-', '_').lower() in ('iso_2022_jp', 'iso2022_jp', 'csiso2022jp'):
        return JIS
    return None


codecs.unregister(encodings.search_function)
codecs.register(search)
codecs.register(encodings.search_function)

def widen(text):
    """Half-width katakana go out as their full-width forms; a lone voiced mark becomes the
    spacing full-width mark."""
    wide = widen_half_kana(text)
    return wide.replace('\u3099', '\u309b').replace('\u309a', '\u309c')


def widened(value):
    if isinstance(value, str):
        return widen(value)
    if isinstance(value, list):
        return [widened(v) for v in value]
    return value


with open(sys.argv[1], encoding='utf-8') as f:
    expected = json.load(f)
results = []
for path in sys.argv[2:]:
    with open(path, 'rb') as f:
        wire = f.read()
    # The SMTP server takes the dot-stuffing off before a reader sees the message.
    lines = [line[1:] if line.startswith(b'.') else line for line in wire.split(b'\r\n')]
    msg = BytesParser(policy=policy.default).parsebytes(b'\r\n'.join(lines))
    defects = []
    for name in ('Subject', 'From', 'To'):
        defects += [name + ': ' + type(d).__name__ for d in msg[name].defects]
    body = msg.get_body(('plain',))
    results.append({
        'subject': str(msg['Subject']),
        'from': [a.display_name for a in msg['From'].addresses],
        'to': [a.display_name for a in msg['To'].addresses],
        'body': body.get_content().replace('\r\n', '\n') if body is not None else None,
        'files': [p.get_filename() for p in msg.iter_attachments()],
        'defects': defects,
    })
failures = 0
for want, got in zip(expected, results):
    for key, value in want.items():
        if widened(value) != got[key]:
            failures += 1
            print('%s: want %r, got %r' % (key, widened(value), got[key]))
    if got['defects']:
        failures += 1
        print('defects: %r' % got['defects'])
if len(expected) != len(results):
    failures += 1
print('ok' if failures == 0 else '%d differences' % failures)
