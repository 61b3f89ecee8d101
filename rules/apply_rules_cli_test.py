#!/usr/bin/env python3
"""Drives `yubinko-cli apply-rules` from the outside on a temporary store and checks the
files and indexes it leaves, reading them back with Python's own cp932 codec."""
import os
import subprocess
import sys
import tempfile

CLI = sys.argv[1]
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def stem(key):
    return key.replace("<", "0").replace(">", "9")


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode("cp932"))


def lines(path):
    if not os.path.exists(path):
        return None
    data = open(path, "rb").read()
    check(data == b"" or data.endswith(b"\r\n"), path + " ends with CR LF")
    return [l for l in data.decode("cp932").split("\r\n") if l]


def record(key, subject, sender, state="2"):
    return "\t".join([key, subject, sender, "46000.5", "100", "1", state])


def message(app, folder, key, subject, sender, state="2"):
    d = os.path.join(app, *folder.split("/"))
    write(os.path.join(d, stem(key) + ".txt"), "Subject: " + subject + "\r\n")
    write(os.path.join(d, "Attachment", stem(key), "a.txt"), key)
    return record(key, subject, sender, state)


def run(app, folder):
    return subprocess.run([CLI, "apply-rules", app, folder], capture_output=True, timeout=60)


with tempfile.TemporaryDirectory() as app:
    inbox = os.path.join(app, "受信", "work")
    r1 = message(app, "受信/work", "<m1@t>", "会議の件", "boss@t", "1")
    r2 = message(app, "受信/work", "<m2@t>", "セール", "spam@ads.t")
    r3 = message(app, "受信/work", "<m3@t>", "表示テスト", "taro@t")  # 0x5C trail in 表
    r4 = message(app, "受信/work", "<m4@t>", "hello", "hanako@t")
    write(os.path.join(inbox, "MsgID.ini"), "".join(r + "\r\n" for r in [r1, r2, r3, r4]))
    write(os.path.join(inbox, "AlreadMsgID.ini"), "<m1@t>\r\n<M2@t>\r\n<m3@t>\r\n<m4@t>\r\n")
    held = message(app, "受信/home", "<h@t>", "old", "x@t")
    write(os.path.join(app, "受信", "home", "MsgID.ini"), held + "\r\n")
    write(os.path.join(app, "rule.ini"), "".join(l + "\r\n" for l in [
        "件名\t\\\twork\\never",        # a backslash only matches a real one
        "件名\t会議\twork\\sub\\deep",  # nested and missing: created
        "差出人\tspam@\t削除",
        "差出人\thanako\thome",          # another account's folder
        "件名\tテスト\t..\\..\\escape",  # would leave the received root: never matches
    ]))

    p = run(app, "受信/work")
    check(p.returncode == 0, "exit status 0, got %d: %r" % (p.returncode, p.stderr))
    check(p.stdout == "完了\n".encode("utf-8"), "prints 完了: %r" % p.stdout)
    check(lines(os.path.join(inbox, "MsgID.ini")) == [r3], "work keeps only m3")
    check(lines(os.path.join(inbox, "sub", "deep", "MsgID.ini")) == [r1], "m1 in work/sub/deep")
    check(lines(os.path.join(app, "受信", "home", "MsgID.ini")) == [held, r4], "m4 appended")
    check(lines(os.path.join(inbox, "AlreadMsgID.ini")) == ["<m1@t>", "<m3@t>", "<m4@t>"],
          "the deleted key is forgotten")
    for folder, key in [("sub/deep", "<m1@t>"), ("../home", "<m4@t>"), ("", "<m3@t>")]:
        d = os.path.normpath(os.path.join(inbox, folder))
        check(os.path.exists(os.path.join(d, stem(key) + ".txt")), key + " file in " + d)
        check(os.path.exists(os.path.join(d, "Attachment", stem(key), "a.txt")), key + " attachments")
    for key in ["<m1@t>", "<m2@t>", "<m4@t>"]:
        check(not os.path.exists(os.path.join(inbox, stem(key) + ".txt")), key + " left work")
        check(not os.path.exists(os.path.join(inbox, "Attachment", stem(key))), key + " dir left")
    check(not os.path.exists(os.path.join(inbox, "never")), "no folder for a trail-byte match")
    check(not os.path.exists(os.path.join(app, "escape")), "nothing outside the received root")

    # A nested folder as FOLDER; a rule aimed at that folder itself keeps its records.
    write(os.path.join(app, "rule.ini"), "件名\t会議\twork\\sub\\deep\r\n")
    p = run(app, "受信/work/sub/deep")
    check(p.returncode == 0, "nested folder run succeeds")
    check(lines(os.path.join(inbox, "sub", "deep", "MsgID.ini")) == [r1], "record kept in place")

    # Failures: one line on stderr, exit status 1, nothing changed.
    p = run(app, "受信/missing")
    check(p.returncode == 1 and p.stderr.count(b"\n") == 1 and p.stdout == b"",
          "missing folder: %d %r" % (p.returncode, p.stderr))
    p = run(os.path.join(app, "nowhere"), "受信/work")
    check(p.returncode == 1 and p.stderr.count(b"\n") == 1, "missing application directory")
    p = run(app, "../" + os.path.basename(app) + "/受信/work")
    check(p.returncode == 1, "a folder that climbs out of APPDIR is refused")
    bad = os.path.join(app, "受信", "bad")
    os.makedirs(os.path.join(bad, "MsgID.ini", "x"))  # an index that cannot be read
    p = run(app, "受信/bad")
    check(p.returncode == 1 and p.stderr.count(b"\n") == 1 and p.stdout == b"",
          "unreadable store: %d %r" % (p.returncode, p.stderr))

for f in failures:
    print("FAILED:", f)
sys.exit(1 if failures else 0)
