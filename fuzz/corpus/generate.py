#!/usr/bin/env python3
"""Writes the fuzz seeds (fuzz/corpus/<target>/) and the hand-made malformed
inputs (tests/malformed/<target>/). Run from anywhere; needs cjpeg from
libjpeg-turbo-progs and ImageMagick's convert for the picture seeds.
The files are committed; run this again only to change them."""

import os
import shutil
import struct
import subprocess
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
MALFORMED = os.path.join(ROOT, "tests", "malformed")
PNGSUITE = os.path.join(ROOT, "tests", "data", "pngsuite")


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


# --- EXIF blocks -------------------------------------------------------------


class Tiff:
    """TIFF directories laid out one after the other, values after them."""

    def __init__(self, big_endian):
        self.e = ">" if big_endian else "<"
        self.dirs = [[]]
        self.next = {}
        self.raw_next = {}

    def directory(self):
        self.dirs.append([])
        return len(self.dirs) - 1

    def add(self, d, tag, fmt, count, value):
        self.dirs[d].append((tag, fmt, count, value))

    def short(self, d, tag, v):
        self.add(d, tag, 3, 1, struct.pack(self.e + "H", v) + b"\0\0")

    def long(self, d, tag, v):
        self.add(d, tag, 4, 1, struct.pack(self.e + "I", v))

    def rational(self, d, tag, n, m, fmt=5):
        self.add(d, tag, fmt, 1, struct.pack(self.e + "ii", n, m))

    def ascii(self, d, tag, text):
        data = text.encode() + b"\0"
        self.add(d, tag, 2, len(data), data)

    def link(self, d, tag, target):
        self.add(d, tag, 4, 1, ("dir", target))

    def build(self):
        offsets, at = [], 8
        for entries in self.dirs:
            offsets.append(at)
            at += 2 + 12 * len(entries) + 4
        data_at = at
        out = bytearray((b"MM" if self.e == ">" else b"II") + struct.pack(self.e + "HI", 42, 8))
        out += bytearray(data_at - 8)
        extra = bytearray()
        for d, entries in enumerate(self.dirs):
            pos = offsets[d]
            struct.pack_into(self.e + "H", out, pos, len(entries))
            for i, (tag, fmt, count, value) in enumerate(entries):
                e = pos + 2 + 12 * i
                struct.pack_into(self.e + "HHI", out, e, tag, fmt, count)
                if isinstance(value, tuple):
                    struct.pack_into(self.e + "I", out, e + 8, offsets[value[1]])
                elif len(value) > 4:
                    struct.pack_into(self.e + "I", out, e + 8, data_at + len(extra))
                    extra += value + (b"\0" if len(value) % 2 else b"")
                else:
                    out[e + 8 : e + 8 + len(value)] = value.ljust(4, b"\0")
            link = self.raw_next.get(d, offsets[self.next[d]] if d in self.next else 0)
            struct.pack_into(self.e + "I", out, pos + 2 + 12 * len(entries), link)
        return b"Exif\0\0" + bytes(out + extra)


def full_exif(big_endian):
    t = Tiff(big_endian)
    exif, interop, ifd1 = t.directory(), t.directory(), t.directory()
    t.ascii(0, 0x010F, "Quorvex Optics")
    t.ascii(0, 0x0110, "QX-100")
    t.short(0, 0x0112, 6)
    t.rational(0, 0x011A, 300, 1)
    t.rational(0, 0x011B, 300, 1)
    t.short(0, 0x0128, 2)
    t.link(0, 0x8769, exif)
    t.next[0] = ifd1
    t.rational(exif, 0x829A, 1, 250)
    t.rational(exif, 0x829D, 28, 10)
    t.short(exif, 0x8827, 2)
    t.add(exif, 0x9000, 7, 4, b"0230")
    t.ascii(exif, 0x9003, "2024:01:02 03:04:05")
    t.rational(exif, 0x9201, 8, 1, 10)
    t.rational(exif, 0x9202, 3, 1)
    t.rational(exif, 0x9204, -1, 3, 10)
    t.short(exif, 0x9209, 0x19)
    t.rational(exif, 0x920A, 50, 1)
    t.add(exif, 0x9286, 7, 16, b"ASCII\0\0\0comment ")
    t.long(exif, 0xA002, 640)
    t.short(exif, 0xA003, 480)
    t.link(exif, 0xA005, interop)
    t.rational(exif, 0xA20E, 4000, 1)
    t.short(exif, 0xA210, 3)
    t.ascii(interop, 0x0001, "R98")
    t.long(ifd1, 0x0201, 8)
    t.long(ifd1, 0x0202, 8)
    return t.build()


def segment(marker, data):
    return bytes([0xFF, marker]) + struct.pack(">H", len(data) + 2) + data


FRAME = segment(0xC0, bytes([8, 0, 8, 0, 8, 3, 1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
SCAN = segment(0xDA, bytes([3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0]))


def jpeg_head(*segments):
    return b"\xFF\xD8" + b"".join(segments) + FRAME + SCAN


def exif_inputs():
    seeds = {
        "exif-little-endian.jpg": jpeg_head(segment(0xE1, full_exif(False))),
        "exif-big-endian.jpg": jpeg_head(segment(0xE1, full_exif(True))),
        "comment-and-app0.jpg": jpeg_head(
            segment(0xE0, b"JFIF\0\1\1\0\0\1\0\1\0\0"), segment(0xFE, b"a comment\r\nline")
        ),
        "padding.jpg": b"\xFF\xD8\xFF\xFF\xFF" + FRAME[1:] + SCAN,
    }
    malformed = {}

    loop = Tiff(False)
    loop.short(0, 0x0112, 1)
    loop.next[0] = 0
    malformed["next-link-loop.jpg"] = jpeg_head(segment(0xE1, loop.build()))

    parent = Tiff(True)
    sub = parent.directory()
    parent.link(0, 0x8769, sub)
    parent.link(sub, 0xA005, 0)
    malformed["subdirectory-links-parent.jpg"] = jpeg_head(segment(0xE1, parent.build()))

    chain = Tiff(False)
    previous = 0
    for _ in range(12):
        d = chain.directory()
        chain.next[previous] = d
        previous = d
    malformed["deep-chain.jpg"] = jpeg_head(segment(0xE1, chain.build()))

    wide = Tiff(False)
    for _ in range(40):
        wide.link(0, 0x8769, wide.directory())
    malformed["too-many-directories.jpg"] = jpeg_head(segment(0xE1, wide.build()))

    offset = Tiff(True)
    offset.add(0, 0x829A, 5, 3, struct.pack(">I", 0x4000))
    malformed["value-offset-beyond.jpg"] = jpeg_head(segment(0xE1, offset.build()))

    wrap = Tiff(False)
    wrap.add(0, 0x829A, 5, 0x20000001, struct.pack("<I", 8))
    malformed["count-wraps.jpg"] = jpeg_head(segment(0xE1, wrap.build()))

    count = bytearray(Tiff(False).build())
    count[6 + 8] = 0xFF
    malformed["entry-count-beyond.jpg"] = jpeg_head(segment(0xE1, bytes(count)))

    fmt = Tiff(False)
    fmt.add(0, 0x0112, 0, 1, b"\1\0\0\0")
    malformed["format-zero.jpg"] = jpeg_head(segment(0xE1, fmt.build()))

    link = Tiff(True)
    link.long(0, 0x8769, 0xFFFFFFF0)
    malformed["subdirectory-beyond.jpg"] = jpeg_head(segment(0xE1, link.build()))

    first = bytearray(full_exif(False))
    first[10] = 0x40
    malformed["first-directory-offset.jpg"] = jpeg_head(segment(0xE1, bytes(first)))
    malformed["alignment.jpg"] = jpeg_head(segment(0xE1, b"Exif\0\0XX\0\x2a\0\0\0\x08"))
    malformed["short-tiff-header.jpg"] = jpeg_head(segment(0xE1, b"Exif\0\0II"))
    malformed["too-many-sections.jpg"] = jpeg_head(*[segment(0xE2, bytes([i])) for i in range(25)])
    malformed["too-much-padding.jpg"] = b"\xFF\xD8" + b"\xFF" * 7 + b"\xDA\x00\x02"
    malformed["no-image.jpg"] = b"\xFF\xD8\xFF\xD9\x00\x02"
    malformed["truncated-section.jpg"] = b"\xFF\xD8" + segment(0xE1, full_exif(True))[:60]
    malformed["length-below-two.jpg"] = b"\xFF\xD8\xFF\xE1\x00\x01"
    malformed["not-jpeg.jpg"] = b"\x89PNG\r\n\x1a\n"
    return seeds, malformed


# --- description files -------------------------------------------------------

SLIDE_LIST = """<QVX>
uColorR=0.2
TransitionDuration=1.5
ShowProgressPosition=1
</QVX>
<SlideList>
path=C:\\show\\
<Slide>
thumbnail=thumb.png
<Image>
filename=first.jpg
<Sound>
filename=music.mp3
</Sound>
</Image>
<ImageObject>
filename=logo.png
x=0.1
y=-0.2
</ImageObject>
</Slide>
<Transition>
type=SQUARES_FLY
duration=2
</Transition>
<Slide>
<Image>
filename=second.avi
</Image>
<Model>
filename=teapot.obj
</Model>
</Slide>
</SlideList>
"""


def description_inputs():
    seeds = {
        "slide-list.txt": SLIDE_LIST,
        "slide-list-crlf.txt": SLIDE_LIST.replace("\n", "\r\n"),
        "short-example.txt": "<SlideList>\npath=C:\\show\\\n<Slide>\n</Slide>\n",
        "keys.txt": "a=b=c\n=x\nk=\npath = x\n<key=1\n",
        "open-at-end.txt": "<A>\n<B>\nk=1\n</B>",
        "long-line.txt": "k=" + "v" * 498 + "\n<A>\n</A>\n",
    }
    malformed = {
        "wrong-closing-tag.txt": "<SlideList>\n</Slide>\n",
        "closing-tag-in-root.txt": "</SlideList>\n",
        "byte-order-mark.txt": "\xef\xbb\xbf<SlideList>\npath=x\n</SlideList>\n",
        "blank-before-tag.txt": "<SlideList>\n <Slide>\n</SlideList>\n",
        "overlong-tag.txt": "<SlideList>\n<" + "S" * 600 + ">\n",
        "blank-line.txt": "<SlideList>\n\n\n   \n</SlideList>\n",
        "crlf-word-line.txt": "<SlideList>\r\n<Slide>\r\nImage\r\n</Slide>\r\n",
        "nul-line.txt": "<SlideList>\n<Slide>\n\x00\n",
    }
    return seeds, malformed


# --- pictures ----------------------------------------------------------------


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_file(width, height, depth, color_type, rows, interlace=0, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, interlace)
    return (
        b"\x89PNG\r\n\x1a\n"
        + png_chunk(b"IHDR", header)
        + extra
        + png_chunk(b"IDAT", zlib.compress(rows))
        + png_chunk(b"IEND", b"")
    )


def picture_inputs(work):
    seeds, malformed = {}, {}
    ppm = os.path.join(work, "p.ppm")
    with open(ppm, "wb") as f:
        f.write(b"P6\n16 12\n255\n")
        f.write(bytes((x * 16 + c * 40 + y * 7) % 256 for y in range(12) for x in range(16) for c in range(3)))
    variants = {
        "baseline.jpg": [],
        "progressive.jpg": ["-progressive"],
        "grey.jpg": ["-grayscale"],
        "restart.jpg": ["-restart", "1"],
        "arithmetic.jpg": ["-arithmetic"],
    }
    for name, options in variants.items():
        seeds[name] = subprocess.run(["cjpeg", *options, ppm], check=True, capture_output=True).stdout
    cmyk = os.path.join(work, "cmyk.jpg")
    subprocess.run(["convert", ppm, "-colorspace", "CMYK", "-quality", "90", cmyk], check=True)
    seeds["cmyk.jpg"] = open(cmyk, "rb").read()
    interlaced = os.path.join(work, "interlaced.png")
    subprocess.run(["convert", ppm, "-alpha", "set", "-channel", "A", "-evaluate", "set", "50%",
                    "-interlace", "PNG", "PNG32:" + interlaced], check=True)
    seeds["interlaced-rgba.png"] = open(interlaced, "rb").read()
    exif_jpeg = seeds["baseline.jpg"][:2] + segment(0xE1, full_exif(True)) + seeds["baseline.jpg"][2:]
    seeds["exif.jpg"] = exif_jpeg
    for name in ["basn0g01.png", "basn0g02.png", "basn0g16.png", "basn2c16.png", "basn3p02.png",
                 "basn3p08-trns.png", "basn4a08.png", "basn4a16.png", "basn6a08.png",
                 "basn6a16.png", "ftbbn0g04.png", "ftbrn2c08.png"]:
        seeds[name] = open(os.path.join(PNGSUITE, name), "rb").read()

    jpeg = seeds["baseline.jpg"]
    malformed["truncated-scan.jpg"] = jpeg[: len(jpeg) * 2 // 3]
    malformed["truncated-progressive.jpg"] = seeds["progressive.jpg"][: len(seeds["progressive.jpg"]) * 2 // 3]
    malformed["header-only.jpg"] = jpeg[:200]
    frame = jpeg.find(b"\xFF\xC0")
    huge = bytearray(jpeg)
    huge[frame + 5 : frame + 9] = struct.pack(">HH", 60000, 60000)
    malformed["huge-frame.jpg"] = bytes(huge)
    zero = bytearray(jpeg)
    zero[frame + 5 : frame + 9] = struct.pack(">HH", 0, 16)
    malformed["zero-height.jpg"] = bytes(zero)
    malformed["soi-eoi.jpg"] = b"\xFF\xD8\xFF\xD9"
    malformed["empty.bin"] = b""

    row = b"\0" + b"\x80" * 16
    good = png_file(16, 4, 8, 0, row * 4)
    malformed["truncated.png"] = good[: len(good) - 20]
    bad_crc = bytearray(good)
    bad_crc[29] ^= 0xFF
    malformed["idat-crc.png"] = bytes(bad_crc)
    malformed["huge-dimensions.png"] = png_file(20000, 20000, 8, 0, row)
    malformed["too-many-pixels.png"] = png_file(16384, 16385, 1, 0, b"\0\0")
    malformed["bad-depth.png"] = png_file(4, 4, 3, 0, b"\0\0" * 4)
    malformed["palette-missing.png"] = png_file(4, 4, 8, 3, b"\0\0\0\0\0" * 4)
    malformed["short-rows.png"] = png_file(16, 16, 8, 2, b"\0" * 20)
    malformed["bad-filter.png"] = png_file(4, 1, 8, 0, b"\x09\0\0\0\0")
    malformed["interlaced-short.png"] = png_file(33, 33, 8, 6, b"\0" * 100, interlace=1)
    return seeds, malformed


def main():
    with tempfile.TemporaryDirectory() as work:
        groups = {
            "description_file": description_inputs(),
            "exif": exif_inputs(),
            "image_decode": picture_inputs(work),
        }
    for target, (seeds, malformed) in groups.items():
        for name, data in seeds.items():
            write(os.path.join(CORPUS, target), name, data)
        for name, data in malformed.items():
            write(os.path.join(MALFORMED, target), name, data)
    # Small files from gdk-pixbuf's test suite that must fail to decode.
    pixbuf = os.environ.get("GDK_PIXBUF_FAIL_IMAGES",
                            "/usr/libexec/installed-tests/gdk-pixbuf/test-images/fail")
    for name in ["CVE-2017-2862.jpg", "bug793470-crasher.png", "invalid.1.png", "invalid.3.png"]:
        path = os.path.join(pixbuf, name)
        if os.path.exists(path):
            shutil.copy(path, os.path.join(MALFORMED, "image_decode", "gdk-pixbuf-" + name))


if __name__ == "__main__":
    main()
