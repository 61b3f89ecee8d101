#!/usr/bin/env python3
"""Writes random MIME messages and, for each, the leaf parts python's email package reads
from it, as an independent oracle for the MIME reader test.

usage: make_mime_corpus.py OUT_DIR COUNT SEED
Each message N gets OUT_DIR/N.eml and OUT_DIR/N.parts: one line per leaf part in order,
"text <hex of the decoded text with line ends as LF and trailing LFs removed>" or
"attachment <file name> <hex of the decoded bytes>". Unencoded text lines lose a leading dot,
as the reader's transfer rules have it.
"""
import os
import random
import sys
from email import encoders
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

WORDS = ['mail', 'report', 'meeting', '.dot', '..two', 'caf\u00e9', 'x' * 90, 'tab\there', '=3D']


def text(rng):
    lines = [' '.join(rng.choice(WORDS) for _ in range(rng.randint(1, 8)))
             for _ in range(rng.randint(1, 6))]
    return '\n'.join(lines) + '\n'


def leaf(rng, n):
    kind = rng.random()
    if kind < 0.5:
        charset = rng.choice(['us-ascii', 'utf-8', 'iso-8859-1'])
        body = text(rng)
        if charset == 'us-ascii':
            body = body.replace('\u00e9', 'e')
        part = MIMEText(body, 'plain', charset)
        return part
    if kind < 0.65:
        # Quoted-printable bytes; line breaks in the data would come back as CR LF.
        data = bytes(rng.choice([b for b in range(256) if b not in (10, 13)])
                     for _ in range(rng.randint(0, 800)))
        part = MIMEApplication(data, Name='file%d.bin' % n, _encoder=encoders.encode_quopri)
    else:
        data = bytes(rng.randrange(256) for _ in range(rng.randint(0, 3000)))
        part = MIMEApplication(data, Name='file%d.bin' % n)
    part.add_header('Content-Disposition', 'attachment', filename='file%d.bin' % n)
    return part


def tree(rng, depth, counter):
    m = MIMEMultipart(rng.choice(['mixed', 'alternative', 'related']))
    for _ in range(rng.randint(1, 4)):
        if depth < 2 and rng.random() < 0.25:
            m.attach(tree(rng, depth + 1, counter))
        else:
            counter[0] += 1
            m.attach(leaf(rng, counter[0]))
    return m


def main():
    out, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(seed)
    os.makedirs(out, exist_ok=True)
    for i in range(count):
        m = tree(rng, 0, [0])
        m['From'] = 'a@example.com'
        m['Subject'] = 'message %d' % i
        if rng.random() < 0.5:
            m.preamble = 'preamble'
        raw = m.as_bytes().replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
        with open(os.path.join(out, '%d.eml' % i), 'wb') as f:
            f.write(raw)
        with open(os.path.join(out, '%d.parts' % i), 'w') as f:
            for p in m.walk():
                if p.is_multipart():
                    continue
                payload = p.get_payload(decode=True) or b''
                if p.get_filename():
                    f.write('attachment %s %s\n' % (p.get_filename(), payload.hex()))
                else:
                    norm = payload.replace(b'\r\n', b'\n')
                    if p.get('Content-Transfer-Encoding', '7bit').lower() in ('7bit', '8bit'):
                        # A stored file is read like a transfer: a leading dot is dropped.
                        norm = b'\n'.join(l[1:] if l.startswith(b'.') else l
                                           for l in norm.split(b'\n'))
                    norm = norm.rstrip(b'\n')
                    f.write('text %s\n' % norm.hex())


main()
