# Writes the seed archives of the entry reader's fuzzing entry point into the folder given:
# the kinds of archive the reader tests use (stored and deflated, data descriptors, ZIP64,
# written to a stream, with a comment, with bytes before them, empty, damaged, hand-made
# headers with odd sizes and names).
import io
import os
import struct
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def save(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


class Pipe(io.RawIOBase):
    """A stream without seeking, so that zipfile writes data descriptors."""

    def __init__(self):
        self.buf = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.buf += b
        return len(b)

    def tell(self):
        return len(self.buf)


def archive(method=zipfile.ZIP_STORED, streamed=False, zip64=False, comment=b""):
    target = Pipe() if streamed else io.BytesIO()
    with zipfile.ZipFile(target, "w", method) as z:
        with z.open("dir/first.txt", "w", force_zip64=zip64) as f:
            f.write(b"first data " * 50)
        z.writestr("dir/", b"")
        z.writestr("second.bin", bytes(range(256)) * 4)
        z.writestr("empty", b"")
        z.comment = comment
    return bytes(target.buf if streamed else target.getvalue())


def local(name, data, flags=0, csize=None, usize=None, extra=b""):
    csize = len(data) if csize is None else csize
    usize = len(data) if usize is None else usize
    return (b"PK\x03\x04" + struct.pack("<HHHHHIIIHH", 20, flags, 0, 0x6B2C, 0x5A87, 0,
                                        csize, usize, len(name), len(extra))
            + name + extra + data)


end = b"PK\x05\x06" + bytes(18)
central = b"PK\x01\x02" + bytes(42)

stored = archive()
save("stored.zip", stored)
save("deflated.zip", archive(zipfile.ZIP_DEFLATED))
save("streamed.zip", archive(zipfile.ZIP_DEFLATED, streamed=True))
save("streamed_zip64.zip", archive(zipfile.ZIP_DEFLATED, streamed=True, zip64=True))
save("zip64.zip", archive(zip64=True))
save("comment.zip", archive(comment=b"an archive comment"))
save("prefixed.zip", b"MZ" + bytes(3000) + stored)
save("empty_archive.zip", end)
save("empty_file.zip", b"")
save("truncated.zip", stored[: len(stored) // 2])
save("pk_pk.zip", b"PPK\x03\x04" + bytes(40))
save("long_name.zip", local(b"n" * 300, b"x") + central + end)
save("zero_in_name.zip", local(b"ab\x00cd", b"x") + local(b"", b"") + central + end)
save("cp437_name.zip", local(b"caf\x82.txt", b"x") + central + end)
raw866 = "\u041f\u0440\u0438\u0432\u0435\u0442".encode("cp866")
unicode_path = b"\x01" + struct.pack("<I", zipfile.crc32(raw866)) + "\u041f\u0440\u0438".encode()
save("unicode_path.zip",
     local(raw866, b"x", extra=struct.pack("<HH", 0x7075, len(unicode_path)) + unicode_path)
     + central + end)
save("negative_size.zip", local(b"neg", b"", csize=0x80000000) + central + end)
save("marked_sizes.zip",
     local(b"big", b"", csize=0xFFFFFFFF, usize=0xFFFFFFFF,
           extra=struct.pack("<HHQQ", 1, 16, 5, 0)) + central + end)
save("descriptor_without_central.zip", local(b"d", b"data", flags=8, csize=0) + b"PK\x07\x08"
     + bytes(12) + end)
