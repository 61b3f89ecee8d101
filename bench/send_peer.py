#!/usr/bin/env python3
"""Peer of send_bench: python3 smtplib over one connection with AUTH LOGIN.
  send_peer.py merge PORT ROWS   -- prepares ROWS ISO-2022-JP messages, then times sending
  send_peer.py big PORT EML      -- times sending the bytes of EML (our own MIME output)
"""
import smtplib
import sys
import time
from email.header import Header
from email.mime.text import MIMEText


def connect(port):
    s = smtplib.SMTP("127.0.0.1", port)
    s.ehlo()
    s.user, s.password = "alice", "alicepw"
    s.auth("LOGIN", s.auth_login)
    return s


def main():
    mode, port = sys.argv[1], int(sys.argv[2])
    if mode == "merge":
        rows = int(sys.argv[3])
        prepared = []
        for r in range(rows):
            body = ("山田 太郎%d 様\n\nいつもお世話になっております。①の件、～月末までにご確認ください。\n"
                    "カタカナ ABC 123\n\n(No.%d)\n以上" % (r, r))
            msg = MIMEText(body.replace("①", "(1)").replace("～", "〜"), "plain", "iso-2022-jp")
            msg["Subject"] = Header("ご案内 山田 太郎%d" % r, "iso-2022-jp")
            msg["From"] = "alice@example.test"
            msg["To"] = "bob@example.test"
            msg["Message-ID"] = "<peer%d@example.test>" % r
            prepared.append(msg.as_bytes())
        start = time.perf_counter()
        s = connect(port)
        for data in prepared:
            s.sendmail("alice@example.test", ["bob@example.test"], data)
        s.quit()
    else:
        with open(sys.argv[3], "rb") as f:
            data = f.read()
        start = time.perf_counter()
        s = connect(port)
        s.sendmail("alice@example.test", ["bob@example.test"], data)
        s.quit()
    print("seconds=%.4f" % (time.perf_counter() - start))


if __name__ == "__main__":
    main()
