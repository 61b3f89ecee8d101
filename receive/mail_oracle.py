#!/usr/bin/env python3
"""What a received message should look like once stored, worked out independently with
Python's email package and codecs. Prints, one per line:
  SUBJECT <TAB> subject (UTF-8, spaces, full-width spaces and TABs removed)
  TEXT <TAB> base64 of a text part's text (UTF-8, LF line ends)
  ATTACH <TAB> file name (UTF-8) <TAB> base64 of the bytes the store should hold
"""
import base64
import email
import email.header
import email.policy
import sys


def decoded_header(value):
    return str(email.header.make_header(email.header.decode_header(value or "")))


def text_of(part):
    payload = part.get_payload(decode=True) or b""
    charset = part.get_content_charset() or "us-ascii"
    return payload.decode(charset).replace("\r\n", "\n")


def main(path):
    with open(path, "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.compat32)
    subject = decoded_header(msg["Subject"])
    for gone in (" ", "\u3000", "\t"):
        subject = subject.replace(gone, "")
    out = ["SUBJECT\t" + subject]
    for part in msg.walk():
        if part.is_multipart():
            continue
        name = part.get_filename()
        if name is None and part.get_content_maintype() == "text":
            out.append("TEXT\t" + base64.b64encode(text_of(part).encode()).decode())
        elif name is not None:
            name = decoded_header(name)
            data = part.get_payload(decode=True)
            if name.lower().endswith((".txt", ".csv")):
                data = data.decode(part.get_content_charset() or "us-ascii").encode("cp932")
            out.append("ATTACH\t%s\t%s" % (name, base64.b64encode(data).decode()))
    print("\n".join(out))


if __name__ == "__main__":
    main(sys.argv[1])
