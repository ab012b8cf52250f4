#!/usr/bin/python3
"""Draws Varlen's sample picture, res/sample.png: a 512 x 512 RGBA picture of a glossy
blue rounded square carrying a white "V" and a soft drop shadow, with soft alpha edges.
Run with Debian's python3 (it has Pillow): /usr/bin/python3 scripts/make_sample.py"""
import os
from PIL import Image, ImageDraw, ImageFilter

SIZE = 512
SCALE = 4  # draw large, then reduce, for smooth edges


def main():
    big = SIZE * SCALE
    # Shadow: a blurred dark rounded square, offset down and right.
    shadow = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(shadow)
    d.rounded_rectangle((260, 300, big - 140, big - 100), radius=380, fill=(0, 0, 0, 150))
    shadow = shadow.filter(ImageFilter.GaussianBlur(60))

    # Body: a vertical blue gradient clipped to a rounded square.
    gradient = Image.new("RGBA", (big, big))
    gd = ImageDraw.Draw(gradient)
    for y in range(big):
        t = y / (big - 1)
        gd.line((0, y, big, y), fill=(int(40 + 40 * t), int(140 - 70 * t), int(240 - 60 * t), 255))
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle((160, 160, big - 240, big - 240), radius=360, fill=255)
    body = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    body.paste(gradient, (0, 0), mask)

    # Gloss: a translucent white ellipse over the upper half.
    gloss = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    ImageDraw.Draw(gloss).ellipse((260, 190, big - 340, 900), fill=(255, 255, 255, 70))
    gloss_mask = Image.new("L", (big, big), 0)
    gloss_mask.paste(mask, (0, 0))
    gloss.putalpha(Image.composite(gloss.getchannel("A"), Image.new("L", (big, big), 0), gloss_mask))

    # The letter: a thick white V.
    letter = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    ld = ImageDraw.Draw(letter)
    ld.line((560, 560, 944, 1420, 1328, 560), fill=(255, 255, 255, 255), width=180, joint="curve")

    picture = Image.alpha_composite(shadow, body)
    picture = Image.alpha_composite(picture, gloss)
    picture = Image.alpha_composite(picture, letter)
    picture = picture.resize((SIZE, SIZE), Image.LANCZOS)

    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "sample.png")
    picture.save(os.path.normpath(out), optimize=True)


if __name__ == "__main__":
    main()
