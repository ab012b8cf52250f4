#!/usr/bin/env python3
"""Writes the small hostile picture files that the decoder tests feed to FromFile.

Each file lies about itself in one way (sizes, counts, codes) while looking valid enough
to get past the first checks. Run from anywhere; files are written next to this script.
Standard library only, so the output is the same on every machine.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def png_chunk(kind, body):
    crc = zlib.crc32(kind + body) & 0xFFFFFFFF
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)


def png(width, height, color_type, bit_depth, idat, extra=b""):
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, color_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + extra +
            png_chunk(b"IDAT", idat) + png_chunk(b"IEND", b""))


def dib_header(width, height, bpp, compression=0, clr_used=0, size_image=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression,
                       size_image, 2835, 2835, clr_used, 0)


def bmp(dib):
    return b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, 54) + dib


def gif(screen_w, screen_h, image, global_table=True):
    packed = 0x80 if global_table else 0
    head = b"GIF89a" + struct.pack("<HHBBB", screen_w, screen_h, packed, 0, 0)
    table = b"\x00\x00\x00\xff\xff\xff" if global_table else b""
    return head + table + image + b"\x3b"


def image_descriptor(left, top, w, h):
    return b"\x2c" + struct.pack("<HHHHB", left, top, w, h, 0)


# PNG: a header that claims 100000 x 100000 with a correct CRC, and one just over the limit.
row = b"\x00" + b"\x00" * 4
write("png_huge_ihdr.png", png(100000, 100000, 6, 8, zlib.compress(row)))
write("png_over_limit.png", png(16385, 1, 0, 8, zlib.compress(b"\x00" * 16386)))
# PNG: image data that inflates to less than the rows need.
write("png_short_idat.png", png(64, 64, 2, 8, zlib.compress(b"\x00" * 10)))
# PNG: a palette picture without a palette.
write("png_missing_plte.png", png(2, 2, 3, 8, zlib.compress(b"\x00\x00\x00\x00\x00\x00")))

# GIF: a logical screen and image of 65535 x 65535 in a few bytes.
write("gif_huge_screen.gif",
      gif(65535, 65535, image_descriptor(0, 0, 65535, 65535) + b"\x02\x02\x4c\x01\x00"))
# GIF: an image placed far outside a small screen.
write("gif_far_offset.gif",
      gif(1, 1, image_descriptor(60000, 60000, 1, 1) + b"\x02\x02\x4c\x01\x00"))
# GIF: LZW codes that refer to table entries that do not exist yet.
write("gif_bad_lzw.gif",
      gif(4, 4, image_descriptor(0, 0, 4, 4) + b"\x02\x04\xff\xff\xff\xff\x00"))
# GIF: an LZW minimum code size far beyond 8.
write("gif_bad_code_size.gif",
      gif(2, 2, image_descriptor(0, 0, 2, 2) + b"\x0f\x02\x4c\x01\x00"))
# GIF: an extension sub-block that claims more bytes than the file has.
write("gif_ext_overrun.gif",
      b"GIF89a\x01\x00\x01\x00\x00\x00\x00" + b"\x21\xfe\xff" + b"abc")

# JPEG: a frame header of 65000 x 65000 and nothing after it.
sof = b"\xff\xc0" + struct.pack(">HBHHB", 17, 8, 65000, 65000, 3) + \
    b"\x01\x11\x00\x02\x11\x00\x03\x11\x00"
write("jpeg_huge_sof.jpg", b"\xff\xd8" + sof + b"\xff\xd9")
# JPEG: start of image and then nothing.
write("jpeg_only_soi.jpg", b"\xff\xd8\xff")

# BMP: biClrUsed far above 2^8, biClrUsed 3 at 1 bit, 16384 x 16384 with four pixel
# bytes, a height of INT32_MIN, and RLE8 runs that leave the row.
write("bmp_clrused_lie.bmp", bmp(dib_header(1, 1, 8, clr_used=100000) + b"\x00" * 8))
write("bmp_clrused_1bit.bmp", bmp(dib_header(1, 1, 1, clr_used=3) + b"\x00" * 16))
write("bmp_huge_rows.bmp", bmp(dib_header(16384, 16384, 24) + b"\x00" * 4))
write("bmp_int_min_height.bmp", bmp(dib_header(1, -2**31, 24) + b"\x00" * 4))
write("bmp_rle_runaway.bmp",
      bmp(dib_header(4, 2, 8, compression=1, clr_used=2) + b"\x00" * 8 +
          b"\xff\x01\x00\x00\xff\x01\x00\x01"))
write("bmp_header_size_lie.bmp", bmp(struct.pack("<I", 0xFFFFFFF0) + b"\x00" * 36))

# PBPIXEL32: the largest signed sizes with four pixel bytes.
write("pbpixel32_huge.bin", struct.pack("<ii", 2**31 - 1, 2**31 - 1) + b"\x01\x02\x03\x04")
