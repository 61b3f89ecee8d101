#!/usr/bin/env python3
"""Independent check of a delivered message: parses the wire text with the email package and
compares the decoded subject, display names, body and attachments with what was typed.

usage: wire_oracle.py MESSAGE.eml EXPECTED.json   (exit 0 when everything matches)

ISO-2022-JP is decoded here by turning JIS pairs into code page 932 bytes, as Japanese mail
programs read it, so NEC row 13 (circled digits) and the wave dash read back as typed.
"""
import email
import email.header
import email.policy
import json
import sys
import unicodedata


def jis_to_text(data):
    out = bytearray()
    kanji = False
    i = 0
    while i < len(data):
        if data[i] == 0x1B and i + 2 < len(data):
            seq = bytes(data[i + 1:i + 3])
            kanji = seq in (b"$B", b"$@")
            i += 3
            continue
        if kanji and data[i] > 0x20 and i + 1 < len(data):
            row, cell = data[i], data[i + 1]
            s1 = ((row + 1) >> 1) + (0x70 if row <= 0x5E else 0xB0)
            s2 = cell + (0x1F if row & 1 else 0x7E)
            if row & 1 and s2 >= 0x7F:
                s2 += 1
            out += bytes([s1, s2])
            i += 2
            continue
        out.append(data[i])
        i += 1
    return out.decode("cp932")


def decode_words(value):
    text = ""
    for chunk, charset in email.header.decode_header(str(value)):
        if isinstance(chunk, str):
            text += chunk
        elif charset and charset.lower() == "iso-2022-jp":
            text += jis_to_text(chunk)
        else:
            text += chunk.decode(charset or "ascii")
    return text


def half_to_full(text):
    """Half-width katakana travel as full-width in ISO-2022-JP."""
    out, run = "", ""
    for ch in text + "\0":
        if "\uff61" <= ch <= "\uff9f":
            run += ch
            continue
        out += unicodedata.normalize("NFKC", run) + ch
        run = ""
    return out[:-1]


def display_name(header_value):
    raw = str(header_value)
    name = raw.rsplit("<", 1)[0].strip() if "<" in raw else ""
    name = decode_words(name)
    if name.startswith('"') and name.endswith('"'):
        name = name[1:-1]
    return name


def main():
    with open(sys.argv[1], "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.compat32)
    with open(sys.argv[2], encoding="utf-8") as f:
        want = json.load(f)
    problems = []

    def check(what, got, expected):
        if got != expected:
            problems.append("%s: got %r, expected %r" % (what, got, expected))

    check("subject", half_to_full(decode_words(msg["Subject"])), half_to_full(want["subject"]))
    check("from name", display_name(msg["From"]), want["from_name"])
    check("to name", display_name(msg["To"]), want["to_name"])
    check("bcc header", msg["Bcc"], None)
    body, attachments = None, []
    for part in msg.walk():
        if part.is_multipart():
            continue
        filename = part.get_param("filename", header="Content-Disposition")
        if filename is None and body is None:
            raw = part.get_payload(decode=True)
            body = jis_to_text(raw).replace("\r\n", "\n").rstrip("\n")
            continue
        name = decode_words(email.utils.collapse_rfc2231_value(filename or ""))
        attachments.append((name, part.get_content_type(), part.get_payload(decode=True)))
    check("body", body, half_to_full(want["body"]).replace("\r\n", "\n").rstrip("\n"))
    check("attachment count", len(attachments), len(want["attachments"]))
    for (name, ctype, data), expected in zip(attachments, want["attachments"]):
        check("attachment name", name, expected["name"])
        check("attachment type of " + name, ctype, expected["type"])
        with open(expected["path"], "rb") as f:
            check("attachment bytes of " + name, data, f.read())
    for p in problems:
        print(p)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
