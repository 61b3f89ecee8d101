#!/usr/bin/env python3
"""Property tests of yubinko-cli's Japanese conversions against Python's own codecs.

Random texts (fixed seeds, bounded sizes) are encoded by Python's iso2022_jp, euc_jp, cp932
and email.header; the command line tool must turn them back into the same characters.
Usage: codec_oracle_test.py PATH/TO/yubinko-cli
"""
import base64
import email.charset
import email.header
import random
import re
import subprocess
import sys
import tempfile
import unicodedata

CLI = sys.argv[1]
CASES = 120


def run(args, data, chunks=None):
    """Runs the tool with `data` on stdin, optionally written in pieces of the given sizes."""
    proc = subprocess.Popen([CLI] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    if chunks is None:
        out, err = proc.communicate(data, timeout=60)
    else:
        import threading
        result = {}

        def reader():
            result['out'] = proc.stdout.read()

        t = threading.Thread(target=reader)
        t.start()
        pos = 0
        for size in chunks:
            proc.stdin.write(data[pos:pos + size])
            proc.stdin.flush()
            pos += size
        proc.stdin.write(data[pos:])
        proc.stdin.close()
        t.join(60)
        proc.wait(60)
        out, err = result.get('out', b''), proc.stderr.read()
    if proc.returncode != 0:
        raise AssertionError(f'{args} exited {proc.returncode}: {err!r}')
    return out


def jis0208_chars():
    """Characters of JIS X 0208 as Python decodes them, that code page 932 also holds."""
    chars = []
    for row in range(0x21, 0x7F):
        for cell in range(0x21, 0x7F):
            try:
                ch = bytes([0x1B, 0x24, 0x42, row, cell, 0x1B, 0x28, 0x42]).decode('iso2022_jp')
                ch.encode('cp932')
                if ch.encode('iso2022_jp')[3:5] == bytes([row, cell]):
                    chars.append(ch)
            except UnicodeError:
                pass
    return chars


def cp932_double_byte_chars():
    chars = []
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            try:
                ch = bytes([lead, trail]).decode('cp932')
            except UnicodeError:
                continue
            if not ('\ue000' <= ch <= '\uf8ff'):  # user-defined area
                chars.append(ch)
    return sorted(set(chars))


JIS = jis0208_chars()
CP932 = cp932_double_byte_chars()
HALF_KANA = [chr(c) for c in range(0xFF61, 0xFFA0)]
ASCII = [chr(c) for c in range(0x20, 0x7F)]
WORD = [chr(c) for c in range(0x30, 0x3A)] + [chr(c) for c in range(0x41, 0x5B)]
# Half-width bases that take a voiced (ﾞ) or semi-voiced (ﾟ) mark.
VOICED_BASES = 'ｳｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾊﾋﾌﾍﾎ'
SEMI_VOICED_BASES = 'ﾊﾋﾌﾍﾎ'
MARKS = 'ﾞﾟ'


def random_text(rng, pools, max_len=60, newline=True):
    out = []
    for _ in range(rng.randint(0, max_len)):
        pool = rng.choice(pools)
        out.append(rng.choice(pool))
        if newline and rng.random() < 0.05:
            out.append('\r\n' if rng.random() < 0.5 else '\n')
    return ''.join(out)


def kana_text(rng, max_len=40):
    """Half-width katakana in which marks follow only bases they combine with."""
    out = []
    for _ in range(rng.randint(1, max_len)):
        r = rng.random()
        if r < 0.2:
            out.append(rng.choice(VOICED_BASES) + 'ﾞ')
        elif r < 0.3:
            out.append(rng.choice(SEMI_VOICED_BASES) + 'ﾟ')
        else:
            out.append(rng.choice([k for k in HALF_KANA if k not in MARKS]))
    return ''.join(out)


def widen_half_kana(text):
    """What the JIS conversion should make of half-width katakana: full-width forms."""
    out, run = [], []
    for ch in text + '\0':
        if '\uff61' <= ch <= '\uff9f':
            run.append(ch)
            continue
        if run:
            out.append(unicodedata.normalize('NFKC', ''.join(run)))
            run = []
        out.append(ch)
    return ''.join(out[:-1])


class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            if self.failed <= 20:
                print(f'FAIL {name}: {detail}')


def jis_to_sjis(res):
    rng = random.Random(1)
    for i in range(CASES):
        text = random_text(rng, [ASCII, JIS, JIS])
        out = run(['convert', '--to', 'sjis'], text.encode('iso2022_jp'))
        res.check(f'iso2022_jp->sjis #{i}', out == text.encode('cp932'), repr(text))


def euc_to_sjis(res):
    rng = random.Random(2)
    euc_pool = [c for c in JIS if len(c.encode('euc_jp')) == 2]
    for i in range(CASES):
        # 'ん' is EUC-JP A4 F3, bytes only EUC-JP produces: the text is then known to be EUC.
        text = 'ん' + random_text(rng, [ASCII, euc_pool, euc_pool, HALF_KANA])
        out = run(['convert', '--to', 'sjis'], text.encode('euc_jp'))
        res.check(f'euc_jp->sjis #{i}', out == text.encode('cp932'), repr(text))
    for i in range(CASES // 2):
        # Without a decisive character the text is converted exactly or left alone.
        text = random_text(rng, [ASCII, euc_pool, HALF_KANA])
        data = text.encode('euc_jp')
        out = run(['convert', '--to', 'sjis'], data)
        res.check(f'euc_jp->sjis unmarked #{i}', out in (text.encode('cp932'), data), repr(text))


def sjis_to_jis(res):
    rng = random.Random(3)
    # Backslash and tilde are left out: after ESC ( J a decoder reads them as yen and overline.
    ascii_pool = [c for c in ASCII if c not in '\\~']
    for i in range(CASES):
        # '漢' is Shift_JIS 8A BF, a lead byte only Shift_JIS uses.
        text = '漢' + ''.join(
            kana_text(rng, 6) if rng.random() < 0.3 else random_text(rng, [ascii_pool, JIS], 8)
            for _ in range(rng.randint(0, 8)))
        out = run(['convert', '--to', 'jis'], text.encode('cp932'))
        ok = all(b < 0x80 for b in out) and out.decode('iso2022_jp') == widen_half_kana(text)
        res.check(f'cp932->iso2022_jp #{i}', ok, f'{text!r} -> {out!r}')


def euc_to_jis(res):
    rng = random.Random(4)
    euc_pool = [c for c in JIS if len(c.encode('euc_jp')) == 2]
    ascii_pool = [c for c in ASCII if c not in '\\~']
    for i in range(CASES // 2):
        text = 'ん' + ''.join(
            kana_text(rng, 6) if rng.random() < 0.3 else random_text(rng, [ascii_pool, euc_pool], 8)
            for _ in range(rng.randint(0, 8)))
        out = run(['convert', '--to', 'jis'], text.encode('euc_jp'))
        ok = all(b < 0x80 for b in out) and out.decode('iso2022_jp') == widen_half_kana(text)
        res.check(f'euc_jp->iso2022_jp #{i}', ok, f'{text!r} -> {out!r}')


def b_word(text, charset):
    cs = email.charset.Charset(charset)
    cs.header_encoding = email.charset.BASE64
    return email.header.Header(text, cs, maxlinelen=100000).encode()


def encoded_words(res):
    rng = random.Random(5)
    cp932_pool = CP932 + HALF_KANA
    for i in range(CASES):
        before = random_text(rng, [WORD], 6, newline=False)
        after = random_text(rng, [WORD], 6, newline=False)
        jis_text = random_text(rng, [JIS, JIS, WORD], 20, newline=False) or 'あ'
        utf8_text = random_text(rng, [cp932_pool, WORD], 20, newline=False) or 'い'
        cases = [
            ('iso-2022-jp word', f'{before} {b_word(jis_text, "iso-2022-jp")} {after}',
             f'{before} {jis_text} {after}'),
            ('utf-8 word', f'{before} {b_word(utf8_text, "utf-8")} {after}',
             f'{before} {utf8_text} {after}'),
            ('both kinds', f'{b_word(jis_text, "iso-2022-jp")} {b_word(utf8_text, "utf-8")}',
             f'{jis_text} {utf8_text}'),
        ]
        for name, value, expected in cases:
            out = run(['decode-header'], value.encode('ascii'))
            # Compared as characters: for the IBM extension kanji Python writes the NEC
            # selected codes (ED/EE) where the code page 932 converter writes FA..FC.
            try:
                ok = out.decode('cp932') == expected
            except UnicodeError:
                ok = False
            res.check(f'{name} #{i}', ok, f'{value!r} -> {out!r}')


def euc_header_values(res):
    """With the message character set EUC a raw EUC-JP value converts without detection."""
    rng = random.Random(9)
    euc_pool = [c for c in JIS if len(c.encode('euc_jp')) == 2]
    for i in range(CASES // 2):
        text = random_text(rng, [WORD, euc_pool, HALF_KANA], 30, newline=False)
        out = run(['decode-header', '--charset', 'EUC'], text.encode('euc_jp'))
        res.check(f'euc header #{i}', out == text.encode('cp932'), repr(text))


def encoders_round_trip(res):
    rng = random.Random(6)
    for i in range(CASES // 2):
        text = random_text(rng, [JIS, WORD, [' ']], 30, newline=False)
        for cmd in ('encode-header', 'encode-word'):
            out = run([cmd], text.encode('cp932'))
            # Each word on its own through Python's base64 and iso2022_jp: the encoder puts
            # words right next to ASCII, where RFC 2047 decoders differ about white space.
            decoded = re.sub(r'=\?ISO-2022-JP\?B\?([A-Za-z0-9+/=]*)\?=',
                             lambda m: base64.b64decode(m.group(1)).decode('iso2022_jp'),
                             out.decode('ascii'))
            res.check(f'{cmd} #{i}', decoded == text, f'{text!r} -> {out!r}')


def chunked_input(res):
    rng = random.Random(7)
    text = ''.join(random_text(rng, [ASCII, JIS, JIS], 200) for _ in range(600))
    data = text.encode('iso2022_jp')
    whole = run(['convert', '--to', 'sjis'], data)
    for i in range(3):
        chunks = [rng.randint(1, 9000) for _ in range(200)]
        pieces = run(['convert', '--to', 'sjis'], data, chunks)
        res.check(f'chunked stdin #{i}', pieces == whole == text.encode('cp932'),
                  f'{len(data)} bytes')


def file_stdin(res):
    """A regular file on stdin (read through a mapping) gives what a pipe gives, also when
    the file is already partly read."""
    rng = random.Random(8)
    text = ''.join(random_text(rng, [ASCII, JIS, JIS], 200) for _ in range(50))
    data = text.encode('iso2022_jp')
    with tempfile.TemporaryFile() as f:
        f.write(data)
        for offset in (0, 0, len(data) // 2):
            f.seek(offset)
            proc = subprocess.run([CLI, 'convert', '--to', 'sjis'], stdin=f,
                                  capture_output=True, timeout=60)
            expected = run(['convert', '--to', 'sjis'], data[offset:])
            res.check(f'file stdin at {offset}', proc.returncode == 0 and
                      proc.stdout == expected, f'{len(proc.stdout)} vs {len(expected)} bytes')
            res.check(f'file stdin exact at {offset}', offset or expected == text.encode('cp932'),
                      'whole file differs from the oracle')
        f.truncate(0)
        f.seek(0)
        proc = subprocess.run([CLI, 'convert', '--to', 'jis'], stdin=f, capture_output=True,
                              timeout=60)
        res.check('empty file stdin', proc.returncode == 0 and proc.stdout == b'', repr(proc))


def usage_errors(res):
    for args in (['convert'], ['convert', '--to', 'euc'], ['decode-header', '--charset'],
                 ['encode-word', 'x']):
        proc = subprocess.run([CLI] + args, input=b'', capture_output=True, timeout=60)
        res.check(f'usage error {args}', proc.returncode == 2 and proc.stdout == b'',
                  repr(proc))


def main():
    res = Results()
    for prop in (jis_to_sjis, euc_to_sjis, sjis_to_jis, euc_to_jis, encoded_words,
                 euc_header_values, encoders_round_trip, chunked_input, file_stdin, usage_errors):
        prop(res)
    print(f'{res.passed} passed, {res.failed} failed')
    return 1 if res.failed or res.passed == 0 else 0


if __name__ == '__main__':
    sys.exit(main())
