#!/usr/bin/python3
"""Draws Varlen's application artwork, res/varlen.png: a 1024 x 1024 RGBA master from which
the build makes the program's icons (hicolor PNGs and varlen.ico) with Varlen itself.

The picture: an amber rounded square holding a white photo card (sun over two hills), with
three ever smaller tiles stepping down at its lower right for the sizes an icon holds.
Shapes stay bold and few so that the 16 x 16 icon still reads.
Run with Debian's python3 (it has Pillow): /usr/bin/python3 scripts/make_artwork.py"""
import os
from PIL import Image, ImageDraw, ImageFilter

SIZE = 1024
SCALE = 2  # draw large, then reduce, for smooth edges


def box(x0, y0, x1, y1):
    """A rectangle given on the 1024 grid, scaled to the drawing grid."""
    return tuple(int(round(v * SCALE)) for v in (x0, y0, x1, y1))


def layer():
    return Image.new("RGBA", (SIZE * SCALE, SIZE * SCALE), (0, 0, 0, 0))


def rounded_mask(rect, radius):
    mask = Image.new("L", (SIZE * SCALE, SIZE * SCALE), 0)
    ImageDraw.Draw(mask).rounded_rectangle(box(*rect), radius=radius * SCALE, fill=255)
    return mask


def vertical_gradient(top, bottom):
    """A full-size layer running from colour top (first row) to colour bottom (last row)."""
    big = SIZE * SCALE
    strip = Image.new("RGBA", (1, big))
    for y in range(big):
        t = y / (big - 1)
        strip.putpixel((0, y), tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom)))
    return strip.resize((big, big), Image.NEAREST)


def shadow(rect, radius, offset, blur, alpha):
    """A soft dark copy of a rounded rectangle, moved down by offset."""
    x0, y0, x1, y1 = rect
    out = layer()
    ImageDraw.Draw(out).rounded_rectangle(
        box(x0, y0 + offset, x1, y1 + offset), radius=radius * SCALE, fill=(40, 20, 0, alpha))
    return out.filter(ImageFilter.GaussianBlur(blur * SCALE))


def main():
    picture = layer()

    # Body: an amber-to-red rounded square with a soft shadow under it.
    body_rect = (64, 64, 960, 960)
    picture = Image.alpha_composite(picture, shadow(body_rect, 200, 18, 22, 110))
    body = layer()
    body.paste(vertical_gradient((255, 196, 64, 255), (232, 84, 40, 255)), (0, 0),
               rounded_mask(body_rect, 200))
    picture = Image.alpha_composite(picture, body)

    # Photo card: white frame around a sky-blue picture with a sun and two hills.
    card_rect = (176, 196, 752, 716)
    picture = Image.alpha_composite(picture, shadow(card_rect, 56, 14, 16, 120))
    card = layer()
    ImageDraw.Draw(card).rounded_rectangle(box(*card_rect), radius=56 * SCALE,
                                           fill=(255, 255, 255, 255))
    picture = Image.alpha_composite(picture, card)

    photo_rect = (224, 244, 704, 668)
    photo_mask = rounded_mask(photo_rect, 24)
    scene = vertical_gradient((84, 176, 255, 255), (176, 226, 255, 255))
    sd = ImageDraw.Draw(scene)
    sd.ellipse(box(520, 300, 640, 420), fill=(255, 226, 72, 255))
    sd.polygon([(x * SCALE, y * SCALE) for x, y in
                ((180, 700), (380, 420), (600, 700))], fill=(40, 150, 90, 255))
    sd.polygon([(x * SCALE, y * SCALE) for x, y in
                ((380, 700), (560, 500), (760, 700))], fill=(24, 112, 72, 255))
    photo = layer()
    photo.paste(scene, (0, 0), photo_mask)
    picture = Image.alpha_composite(picture, photo)

    # Three tiles, each half the side of the one before, stepping down to the right.
    tiles = ((600, 560, 840, 800, 44), (736, 696, 856, 816, 24), (804, 764, 864, 824, 12))
    for x0, y0, x1, y1, r in tiles:
        picture = Image.alpha_composite(picture, shadow((x0, y0, x1, y1), r, 8, 8, 120))
        tile = layer()
        td = ImageDraw.Draw(tile)
        td.rounded_rectangle(box(x0, y0, x1, y1), radius=r * SCALE, fill=(255, 255, 255, 255))
        inset = max(8, (x1 - x0) // 8)
        td.rounded_rectangle(box(x0 + inset, y0 + inset, x1 - inset, y1 - inset),
                             radius=max(4, r - inset // 2) * SCALE, fill=(36, 92, 200, 255))
        picture = Image.alpha_composite(picture, tile)

    picture = picture.resize((SIZE, SIZE), Image.LANCZOS)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "varlen.png")
    picture.save(os.path.normpath(out), optimize=True)


if __name__ == "__main__":
    main()
