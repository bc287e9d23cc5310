#!/usr/bin/env python3
"""Makes the samples beside it with the reference LZ4 compressor (Debian's
python3-lz4, liblz4 underneath): NAME.lz4block blocks of NAME.raw, and Firefox
bookmark backups NAME.jsonlz4 of the NAME.json beside them. Run here:

    apt-get install python3-lz4 && /usr/bin/python3 make_lz4_samples.py
"""
import glob
import random

import lz4.block

random.seed(32)
BLOCKS = {
    "literals-only": b"abcdefghij",
    "long-literals": bytes(random.randrange(256) for _ in range(300)),  # nothing repeats: 15 + 255 + 30 literals
    "overlapping-match": b"ab" * 50 + b"0123456789xyz",  # a match of 98 two bytes back
    "long-match": b"a" * 1000 + b"0123456789xyz",  # a match of 999 one byte back
}
for name, raw in BLOCKS.items():
    open(name + ".raw", "wb").write(raw)
    open(name + ".lz4block", "wb").write(lz4.block.compress(raw, store_size=False))
for name in glob.glob("*.json"):
    text = open(name, "rb").read()
    block = lz4.block.compress(text, mode="high_compression", store_size=False)
    open(name + "lz4", "wb").write(b"mozLz40\0" + len(text).to_bytes(4, "little") + block)
