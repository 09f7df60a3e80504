#!/usr/bin/python3
"""Lists a compound file as olefile reads it, one element a line, sorted:
path (names joined by "/"), type (storage/stream), size, CRC-32 of the bytes (hex), class id
(as a GUID, empty when zero; storages only), state bits (hex). olefile is asked to raise on any defect it
notices, so a file it merely tolerates fails."""
import sys
import zlib

import olefile


def main(path):
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_POTENTIAL)
    lines = []
    root = ole.root
    lines.append("\t".join(["", "root", "0", "0", root.clsid,
                            "%x" % root.dwUserFlags]))
    for names in ole.listdir(streams=True, storages=True):
        entry = ole.direntries[ole._find(names)]
        p = "/".join(names)
        if entry.entry_type == olefile.STGTY_STREAM:
            data = ole.openstream(names).read()
            if len(data) != entry.size:
                raise SystemExit("short stream " + p)
            lines.append("\t".join([p, "stream", str(len(data)), "%08x" % (zlib.crc32(data) & 0xFFFFFFFF),
                                    "", "%x" % entry.dwUserFlags]))
        else:
            lines.append("\t".join([p, "storage", "0", "0", entry.clsid,
                                    "%x" % entry.dwUserFlags]))
    lines.sort()
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1])
