#!/usr/bin/env python3
"""Makes a backup benchmark's source tree on the Unix side, where it takes
seconds (through Wine's file calls, W10 would take minutes).

usage: make_tree.py ROOT FOLDERS CHANGED_EVERY DONE

FOLDERS folders ROOT/f<n/50>/d<n> of 20 files of 2 KB each: file<i>.doc
for odd i, file<i>.txt for even i, all last written 30 days ago, except
file0.doc and file1.doc of every CHANGED_EVERY-th folder, written a day
ago. DONE is written last: "ok", or what went wrong.
"""
import os
import sys
import time

FILES_PER_FOLDER = 20
CHANGED_PER_FOLDER = 2


def make(root, folders, changed_every):
    now = time.time()
    yesterday, old = now - 86400, now - 30 * 86400
    content = b"w" * 2048
    for f in range(folders):
        folder = os.path.join(root, "f%d" % (f // 50), "d%d" % f)
        os.makedirs(folder, exist_ok=True)
        for i in range(FILES_PER_FOLDER):
            changed = f % changed_every == 0 and i < CHANGED_PER_FOLDER
            name = "file%d%s" % (i, ".doc" if changed or i % 2 else ".txt")
            fd = os.open(os.path.join(folder, name), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
            try:
                os.write(fd, content)
                when = yesterday if changed else old
                os.utime(fd, (when, when))
            finally:
                os.close(fd)


def main():
    root, folders, changed_every, done = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    try:
        make(root, folders, changed_every)
        result = "ok"
    except OSError as e:
        result = str(e)
    with open(done + ".tmp", "w") as f:
        f.write(result)
    os.rename(done + ".tmp", done)


if __name__ == "__main__":
    main()
