#!/usr/bin/python3
"""Writes a zip whose bytes depend only on the files it holds.

    release_zip.py ZIP FOLDER

Every file under FOLDER goes in under its path relative to FOLDER, in sorted
order, with one fixed time stamp (SOURCE_DATE_EPOCH when set, else
1980-01-01 00:00:00), mode 0644, no extra fields and no directory entries.
"""
import os
import sys
import time
import zipfile


def fixed_time():
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch is None:
        return (1980, 1, 1, 0, 0, 0)
    # A zip entry holds a local date and time from 1980 on, in 2-second steps.
    stamp = time.gmtime(max(int(epoch), 315532800))
    return stamp[:5] + (stamp[5] - stamp[5] % 2,)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: release_zip.py ZIP FOLDER\n")
        return 2
    target, folder = argv[1], argv[2]
    names = []
    for root, dirs, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            names.append(os.path.relpath(path, folder).replace(os.sep, "/"))
    names.sort()
    when = fixed_time()
    partial = target + ".partial"
    with zipfile.ZipFile(partial, "w") as out:
        for name in names:
            entry = zipfile.ZipInfo(name, date_time=when)
            entry.create_system = 3  # Unix, so that the mode bits below are read
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as data:
                out.writestr(entry, data.read(), compresslevel=9)
    os.replace(partial, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
