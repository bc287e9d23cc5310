#!/usr/bin/env python3
"""Makes the samples beside it: LZ4 blocks made by the reference compressor
(Debian's python3-lz4, liblz4 underneath), each NAME.lz4block with its
NAME.raw, and Firefox bookmark backups (NAME.jsonlz4, with the NAME.json they
hold). Run from this folder:

    apt-get install python3-lz4 && /usr/bin/python3 make_lz4_samples.py
"""
import json
import random

import lz4.block

random.seed(32)

BLOCKS = [
    ("literals-only", b"abcdefghij"),
    # 300 bytes with nothing to repeat: one run of literals, its length in
    # the token and two more bytes (15 + 255 + 30).
    ("long-literals", bytes(random.randrange(256) for _ in range(300))),
    # "ab" then a match two bytes back, 98 long: the copy overlaps itself.
    ("overlapping-match", b"ab" * 50 + b"0123456789xyz"),
    # One "a", then a match of 987 from one byte back: a length of four bytes.
    ("long-match", b"a" * 1000 + b"0123456789xyz"),
]


def us(year_seconds):
    return year_seconds * 1000000


def place(title, uri, added):
    return {"guid": "g" + title[:11], "title": title, "index": 0, "dateAdded": us(added),
            "lastModified": us(added + 60), "id": 10, "typeCode": 1, "type": "text/x-moz-place", "uri": uri}


def container(title, root, guid, children, added=1600000000):
    node = {"guid": guid, "title": title, "index": 0, "dateAdded": us(added), "lastModified": us(added + 60),
            "id": 2, "typeCode": 2, "type": "text/x-moz-place-container", "children": children}
    if root:
        node["root"] = root
    return node


def backup(menu, toolbar, unfiled):
    return container("", "placesRoot", "root________", [
        container("menu", "bookmarksMenuFolder", "menu________", menu),
        container("toolbar", "toolbarFolder", "toolbar_____", toolbar),
        container("tags", "tagsFolder", "tags________", [container("news", None, "tagnews_____", [
            place("", "https://tagged.example/", 1650000000)])]),
        container("unfiled", "unfiledBookmarksFolder", "unfiled_____", unfiled),
        container("mobile", "mobileFolder", "mobile______", []),
    ])


# Firefox's backups of two profiles, an older and a newer one each.
BACKUPS = [
    ("old-older", backup([place("Old news", "https://old.example/", 1500000000)], [], [])),
    ("old-newer", backup(
        [place("Bank & <Co>", "https://bank.example/?a=1&b=2", 1650000000),
         {"guid": "sep_________", "index": 1, "typeCode": 3, "type": "text/x-moz-place-separator"},
         container("Garden", None, "garden______", [place("Seeds", "https://seeds.example/", 1650000100)])],
        [place("Mail", "https://mail.example/", 1650000200),
         place("Undated", "javascript:void(0)//\\", 0)],
        [])),
    ("work-older", backup([], [place("Old wiki", "https://wiki.example/old", 1500000000)], [])),
    ("work-newer", backup(
        [], [place("Wiki", "https://wiki.example/", 1660000000)],
        [place("Timesheets", "https://work.example/time", 1660000100)])),
]


def write(name, data):
    with open(name, "wb") as file:
        file.write(data)


def main():
    for name, original in BLOCKS:
        write(name + ".raw", original)
        write(name + ".lz4block", lz4.block.compress(original, store_size=False))
    for name, tree in BACKUPS:
        text = json.dumps(tree, separators=(",", ":")).encode()
        block = lz4.block.compress(text, mode="high_compression", store_size=False)
        write(name + ".json", text)
        write(name + ".jsonlz4", b"mozLz40\0" + len(text).to_bytes(4, "little") + block)


main()
