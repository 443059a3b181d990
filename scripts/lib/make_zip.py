#!/usr/bin/python3
"""Writes a zip of the files of a folder with everything that could vary between two runs fixed:
entries in sorted order, one timestamp for all, the same permission bits, no extra fields.
    make_zip.py <zip> <folder> <timestamp: seconds since 1970, UTC>
The entry names are the paths relative to the folder (ASCII, so that every unzipper agrees on them).
"""
import os
import sys
import time
import zipfile


def main():
    target, folder, stamp = sys.argv[1], sys.argv[2], int(sys.argv[3])
    # Zip times are local-free calendar fields from 1980 on.
    date_time = time.gmtime(max(stamp, 315532800))[:6]
    names = []
    for root, _dirs, files in os.walk(folder):
        for name in files:
            names.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    names.sort()
    partial = target + ".partial"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name in names:
            name.encode("ascii")  # refuses names that unzippers would spell differently
            info = zipfile.ZipInfo(name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix owner or mode bits
            info.external_attr = 0x20  # the archive attribute, as Windows sets it
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
