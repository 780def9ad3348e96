#!/usr/bin/python3
"""icoforge make against Pillow, an independent reference.

usage: pillow_reference.py [--emulator CMD...] -- PROGRAM

For each size of the default set, the premultiplied RGB of what `icoforge make` wrote must
match Pillow's LANCZOS of the same fitted picture on premultiplied RGBA within a mean of 2
levels and a PSNR of 35 dB. The file must open in Pillow with the expected sizes, and its
directory must say planes 1, 32 bits and 0 for 256; the 256 image is PNG, the others are
bitmaps. A white shape on transparency must not darken at its edges, and a 300 x 200
picture must sit centred with its proportions kept. Exits 77 (skipped) without Pillow.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image, ImageDraw, ImageFilter
except ImportError:
    print("skipped: Pillow (python3-pil) is not installed")
    sys.exit(77)

SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
MAX_MEAN = 2.0
MIN_PSNR = 35.0


def host_path(path, windows):
    return "Z:" + path.replace("/", "\\") if windows else path


def placement(w, h, side):
    longer = max(w, h)
    fw = min(max((w * side + longer // 2) // longer, 1), side)
    fh = min(max((h * side + longer // 2) // longer, 1), side)
    return (side - fw) // 2, (side - fh) // 2, fw, fh


def reference(picture, side):
    x, y, fw, fh = placement(picture.width, picture.height, side)
    fitted = picture.convert("RGBa").resize((fw, fh), Image.LANCZOS)
    square = Image.new("RGBa", (side, side), (0, 0, 0, 0))
    square.paste(fitted, (x, y))
    return square


def compare(made, ref):
    a = made.convert("RGBa").tobytes()
    b = ref.tobytes()
    diffs = [abs(a[i] - b[i]) for i in range(len(a)) if i % 4 != 3]
    mean = sum(diffs) / len(diffs)
    mse = sum(d * d for d in diffs) / len(diffs)
    psnr = float("inf") if mse == 0 else 10 * math.log10(255 * 255 / mse)
    return mean, psnr


def directory(path):
    data = open(path, "rb").read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    entries = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append(dict(side=w or 256, height=h or 256, colours=colours, planes=planes, bits=bits,
                            png=data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n", end=offset + size))
    return kind, entries, len(data)


def pictures(folder):
    """(name, file, picture as the program reads it, checks)"""
    made = []
    # Gradients, sharp shapes and soft alpha: what an application icon's master holds.
    photo = Image.new("RGBA", (512, 384))
    px = photo.load()
    for y in range(384):
        for x in range(512):
            r = math.hypot(x - 256, y - 192)
            alpha = max(0, min(255, int(255 * (190 - r) / 30)))
            px[x, y] = (x // 2, y * 2 // 3, (x * y) % 256, alpha)
    draw = ImageDraw.Draw(photo)
    draw.rectangle((150, 100, 260, 210), fill=(250, 30, 30, 255))
    draw.ellipse((280, 120, 380, 260), fill=(20, 200, 60, 200))
    draw.line((100, 300, 420, 80), fill=(0, 0, 0, 255), width=5)
    path = os.path.join(folder, "master.png")
    photo.save(path)
    made.append(("RGBA PNG 512x384", path, photo, "quality"))
    # Larger than four times 256: decoded reduced by the program, compared with Pillow's
    # resampling of the whole picture.
    large = photo.resize((2400, 1800), Image.BICUBIC)
    path = os.path.join(folder, "large.png")
    large.save(path, compress_level=1)
    made.append(("RGBA PNG 2400x1800", path, large, "quality"))
    # A kind decoded whole, then averaged down before Lanczos.
    path = os.path.join(folder, "large.bmp")
    large.convert("RGB").save(path)
    made.append(("BMP 2400x1800", path, large.convert("RGB").convert("RGBA"), "quality"))
    jpeg = photo.convert("RGB").filter(ImageFilter.GaussianBlur(1))
    path = os.path.join(folder, "photo.jpg")
    jpeg.save(path, quality=95)
    made.append(("JPEG 512x384", path, Image.open(path).convert("RGBA"), "quality"))
    shape = Image.new("RGBA", (300, 200), (0, 0, 0, 0))
    ImageDraw.Draw(shape).ellipse((30, 20, 270, 180), fill=(255, 255, 255, 255))
    path = os.path.join(folder, "shape.png")
    shape.save(path)
    made.append(("white shape 300x200", path, shape, "edges"))
    return made


def main():
    args = sys.argv[1:]
    split = args.index("--")
    emulator = [a for a in args[:split] if a != "--emulator"]
    program = args[split + 1]
    windows = program.lower().endswith(".exe")
    failures = []
    with tempfile.TemporaryDirectory(prefix="icoforge-pillow-") as folder:
        for name, path, picture, check in pictures(folder):
            out = os.path.join(folder, os.path.basename(path) + ".ico")
            run = subprocess.run(emulator + [program, "make", "-o", host_path(out, windows), host_path(path, windows)],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                failures.append(f"{name}: exit {run.returncode}: {run.stderr.strip()}")
                continue
            kind, entries, length = directory(out)
            if kind != 1 or [e["side"] for e in entries] != SIZES:
                failures.append(f"{name}: directory type {kind}, sizes {[e['side'] for e in entries]}")
            for e in entries:
                if e["height"] != e["side"] or e["planes"] != 1 or e["bits"] != 32 or e["colours"] != 0:
                    failures.append(f"{name}: entry {e}")
                if e["png"] != (e["side"] >= 256):
                    failures.append(f"{name}: size {e['side']} stored as {'PNG' if e['png'] else 'bitmap'}")
                if e["end"] > length:
                    failures.append(f"{name}: size {e['side']} runs past the file's end")
            icon = Image.open(out)
            if sorted(icon.ico.sizes()) != [(s, s) for s in SIZES]:
                failures.append(f"{name}: Pillow sees {sorted(icon.ico.sizes())}")
                continue
            line = []
            for side in SIZES:
                made = icon.ico.getimage((side, side)).convert("RGBA")
                if made.size != (side, side):
                    failures.append(f"{name}: image {side} is {made.size}")
                    continue
                mean, psnr = compare(made, reference(picture, side))
                line.append(f"{side}: {mean:.2f}/{psnr:.1f}")
                if mean > MAX_MEAN or psnr < MIN_PSNR:
                    failures.append(f"{name}: size {side} mean {mean:.2f} levels, PSNR {psnr:.1f} dB")
                if check == "edges":
                    x, y, fw, fh = placement(300, 200, side)
                    box = made.getchannel("A").getbbox()
                    if box is None or box[0] < x or box[1] < y or box[2] > x + fw or box[3] > y + fh:
                        failures.append(f"{name}: size {side} drawn at {box}, not inside {(x, y, x + fw, y + fh)}")
                    elif abs((box[0] - x) - (x + fw - box[2])) > 1 or abs((box[1] - y) - (y + fh - box[3])) > 1:
                        failures.append(f"{name}: size {side} off centre: {box} in {(x, y, x + fw, y + fh)}")
                    darkest = min((min(p[:3]) for p in made.getdata() if p[3] > 0), default=255)
                    if darkest < 250:
                        failures.append(f"{name}: size {side} has an edge pixel darkened to {darkest}")
            print(f"{name} (mean levels/PSNR dB) " + ", ".join(line))
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
