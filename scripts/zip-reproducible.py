#!/usr/bin/env python3
"""zip-reproducible.py OUT.zip DIR: a zip of DIR's files (flat, sorted by name) whose bytes
depend only on the files' contents and names: every entry carries the time of
SOURCE_DATE_EPOCH (UTC), no owner or permission bits, no extra fields. Non-ASCII names are
stored as UTF-8 with the zip format's UTF-8 flag, which Windows Explorer, 7-Zip and WinRAR read."""
import os
import sys
import time
import zipfile


def main():
    out, folder = sys.argv[1], sys.argv[2]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    names = sorted(n for n in os.listdir(folder) if os.path.isfile(os.path.join(folder, n)))
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 0  # MS-DOS: attributes below are DOS attributes
            info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE, as Windows itself writes
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
