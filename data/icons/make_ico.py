"""Packs the PNG sizes into fenban.ico: a six-byte header, one 16-byte entry per size, the PNG data."""
import struct

sizes = [16, 32, 48, 64, 128, 256]
images = [open(f"fenban-{size}.png", "rb").read() for size in sizes]
icon = struct.pack("<HHH", 0, 1, len(sizes))
offset = 6 + 16 * len(sizes)
for size, image in zip(sizes, images):
    # A width or height of 256 is written as 0.
    icon += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
open("fenban.ico", "wb").write(icon + b"".join(images))
