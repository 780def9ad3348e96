#!/usr/bin/python3
"""Checks `icoforge list --json` and `icoforge extract --all --names` against Wine's own
modules: an independent walk of each module's resource tree (written here from the PE
format, nothing shared with the program), wrestool's cursors where icoutils is installed,
and Pillow's ICO reader for the pixels of the PNGs where python3-pil is.

usage: wine_modules_check.py ICOFORGE   (exits 77, a skip, when no Wine modules are found)
"""
import glob, json, os, shutil, struct, subprocess, sys, tempfile

FOLDERS = ["/usr/lib/wine/i386-windows", "/usr/lib/wine/x86_64-windows",
           "/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"]
GROUP_TYPES = {14: ("icon", 3), 12: ("cursor", 1), 22: ("animated-icon", None), 21: ("animated-cursor", None)}


def u16(b, o): return struct.unpack_from("<H", b, o)[0]
def u32(b, o): return struct.unpack_from("<I", b, o)[0]


class Module:
    def __init__(self, data):
        self.d = data
        pe = u32(data, 0x3C)
        assert data[pe:pe + 4] == b"PE\0\0"
        nsec, optsize = u16(data, pe + 6), u16(data, pe + 20)
        opt = pe + 24
        magic = u16(data, opt)
        self.kind = "pe32" if magic == 0x10B else "pe32+"
        dirs = opt + (96 if magic == 0x10B else 112)
        self.rsrc_rva = u32(data, dirs + 16)
        self.sections = [struct.unpack_from("<III", data, opt + optsize + 40 * i + 12) for i in range(nsec)]
        self.root = self.offset(self.rsrc_rva) if self.rsrc_rva else None

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        return None

    def entries(self, at):
        named, ids = u16(self.d, at + 12), u16(self.d, at + 14)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.d, at + 16 + 8 * i)
            if name & 0x80000000:
                s = self.root + (name & 0x7FFFFFFF)
                key = self.d[s + 2:s + 2 + 2 * u16(self.d, s)].decode("utf-16-le", "surrogatepass")
            else:
                key = name
            yield key, target

    def walk(self):
        """{type: [(name, language, bytes)]} in stored order."""
        out = {}
        if self.root is None:
            return out
        for rtype, tdir in self.entries(self.root):
            if not isinstance(rtype, int) or not tdir & 0x80000000:
                continue
            for name, ndir in self.entries(self.root + (tdir & 0x7FFFFFFF)):
                for lang, leaf in self.entries(self.root + (ndir & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.d, self.root + leaf)
                    off = self.offset(rva)
                    out.setdefault(rtype, []).append((name, lang, self.d[off:off + size]))
        return out


def describe(image):
    if image[:4] == b"\x89PNG":
        return {"width": struct.unpack_from(">I", image, 16)[0], "height": struct.unpack_from(">I", image, 20)[0],
                "bits": 32, "format": "png", "bytes": len(image)}
    return {"width": u32(image, 4), "height": u32(image, 8) // 2, "bits": u16(image, 14), "format": "bmp",
            "bytes": len(image)}


def expected_groups(res):
    groups = []
    for rtype, (label, image_type) in GROUP_TYPES.items():
        seen = []
        for name, lang, data in res.get(rtype, []):
            if name not in seen:
                seen.append(name)
            g = {"type": label, "id": name if isinstance(name, int) else None,
                 "name": name if isinstance(name, str) else None, "language": lang, "index": seen.index(name) + 1}
            if image_type is not None:
                images = []
                for i in range(u16(data, 4)):
                    image_id = u16(data, 6 + 14 * i + 12)
                    cands = [(l, d) for n, l, d in res.get(image_type, []) if n == image_id]
                    pick = next((d for l, d in cands if l == lang), None) or \
                        next((d for l, d in cands if l == 0), None) or cands[0][1]
                    if rtype == 12:
                        info = describe(pick[4:])
                        info["hotspot"] = [u16(pick, 0), u16(pick, 2)]
                    else:
                        info = describe(pick)
                    info["id"] = image_id
                    images.append(info)
                g["images"] = images
            groups.append(g)
    return groups


def comparable(group):
    keep = ("type", "id", "name", "language", "index")
    out = {k: group[k] for k in keep}
    if "images" in group and group["type"] in ("icon", "cursor"):
        out["images"] = [{k: v for k, v in i.items() if k in ("width", "height", "bits", "format", "bytes", "id", "hotspot")}
                         for i in group["images"]]
    return out


def main():
    program = sys.argv[1]
    modules = sorted(p for f in FOLDERS for p in glob.glob(f + "/*") if os.path.isfile(p))
    if not modules:
        print("no Wine modules found")
        return 77
    failures = 0
    listed = {}
    for start in range(0, len(modules), 200):
        run = subprocess.run([program, "list", "--json"] + modules[start:start + 200], capture_output=True)
        for line in run.stdout.decode().splitlines():
            j = json.loads(line)
            listed[j["path"]] = j
    with_groups = 0
    for path in modules:
        data = open(path, "rb").read()
        try:
            module = Module(data)
        except (AssertionError, struct.error):
            continue
        want = expected_groups(module.walk())
        got = listed.get(path)
        if got is None or "error" in got:
            print(f"{path}: not listed: {got}")
            failures += 1
            continue
        if got["kind"] != module.kind or [comparable(g) for g in got["groups"]] != [comparable(g) for g in want]:
            print(f"{path}: the listing differs from the resource walk")
            failures += 1
        with_groups += bool(want)
    print(f"{len(listed)} modules listed, {with_groups} with groups, compared with the walk")

    # extract --all --names: one file per group and variant; cursors as wrestool writes them.
    wrestool = shutil.which("wrestool")
    cursor_modules = [p for p in modules if any(g["type"] != "icon" for g in listed.get(p, {}).get("groups", []))]
    for path in cursor_modules:
        with tempfile.TemporaryDirectory() as out:
            run = subprocess.run([program, "extract", "--all", "--names", "-o", out, path], capture_output=True)
            written = run.stdout.decode().splitlines()
            if run.returncode != 0 or len(written) != len(listed[path]["groups"]) or len(os.listdir(out)) != len(written):
                print(f"{path}: extract --all --names wrote {len(written)} files for {len(listed[path]['groups'])} groups")
                failures += 1
            if not wrestool:
                continue
            peer = os.path.join(out, "peer")
            os.mkdir(peer)
            subprocess.run([wrestool, "-x", "-t12", "-o", peer, path], check=True, capture_output=True)
            stem = os.path.splitext(os.path.basename(path))[0]
            for name in os.listdir(peer):
                ident = name.split("_")[2]
                ours = open(os.path.join(out, f"{stem}-{ident}.cur"), "rb").read()
                theirs = open(os.path.join(peer, name), "rb").read()
                if not same_cursor(ours, theirs):
                    print(f"{path}: cursor {ident} differs from wrestool's")
                    failures += 1
    print(f"{len(cursor_modules)} modules with cursors or animations extracted"
          + (", cursors compared with wrestool" if wrestool else ""))
    failures += compare_pixels(program, [p for p in modules if os.path.basename(p) in ("user32.dll", "comctl32.dll", "shell32.dll")])
    print("FAILED" if failures else "all agree")
    return 1 if failures else 0


def same_cursor(ours, theirs):
    """Byte for byte, but for the directory fields the README says are rewritten: each
    entry's height (the image's own; wrestool halves the group's) and byte count (the
    image without its hot spot; wrestool keeps the resource's), and the bytes wrestool
    writes past the last image, which are not always zeros."""
    if ours[:6] != theirs[:6] or len(ours) > len(theirs):
        return False
    theirs = theirs[:len(ours)]
    for i in range(u16(ours, 4)):
        e = 6 + 16 * i
        a, b = bytearray(ours[e:e + 16]), bytearray(theirs[e:e + 16])
        a[1] = b[1] = 0
        a[8:12] = b[8:12] = b"\0\0\0\0"
        if a != b:
            return False
    body = 6 + 16 * u16(ours, 4)
    return ours[body:] == theirs[body:]


def compare_pixels(program, modules):
    try:
        from PIL import IcoImagePlugin, Image
    except ImportError:
        print("Pillow is not installed: PNG pixels not compared")
        return 0
    failures = compared = 0
    for path in modules:
        with tempfile.TemporaryDirectory() as out:
            for args in (["--names"], ["--names", "--png"]):
                subprocess.run([program, "extract", *args, "-o", out, path], check=True, capture_output=True)
            stem = os.path.splitext(os.path.basename(path))[0]
            for ico_name in sorted(n for n in os.listdir(out) if n.endswith(".ico"))[:40]:
                data = open(os.path.join(out, ico_name), "rb").read()
                ico = IcoImagePlugin.IcoFile(open(os.path.join(out, ico_name), "rb"))
                for k in range(u16(data, 4)):
                    e = 6 + 16 * k
                    image = data[u32(data, e + 12):u32(data, e + 12) + u32(data, e + 8)]
                    bits = u16(image, 14) if image[:4] != b"\x89PNG" else 32
                    if image[:4] != b"\x89PNG" and bits == 32 and not any(image[40 + 3::4][:u32(image, 4) * u32(image, 8) // 2]):
                        continue  # Pillow shows a 32-bit image without alpha as transparent; Windows uses its mask
                    # Pillow sorts the directory; its entry is found by where the image lies.
                    j = next(j for j, entry in enumerate(ico.entry) if entry["offset"] == u32(data, e + 12))
                    theirs = ico.frame(j).convert("RGBA")
                    ours = Image.open(os.path.join(out, ico_name[:-4] + f"-{k + 1}.png")).convert("RGBA")
                    if ours.size != theirs.size:
                        print(f"{ico_name} image {k + 1}: size {ours.size} against {theirs.size}")
                        failures += 1
                        continue
                    for (r, g, b, a), (R, G, B, A) in zip(ours.getdata(), theirs.getdata()):
                        if a == 255 and A == 0 and (r, g, b) != (0, 0, 0):
                            continue  # an inverting pixel, which Pillow leaves transparent
                        if a != A or (a and (r, g, b) != (R, G, B)):
                            print(f"{ico_name} image {k + 1}: pixels differ from Pillow's")
                            failures += 1
                            break
                    compared += 1
    print(f"{compared} images' pixels compared with Pillow")
    return failures


if __name__ == "__main__":
    sys.exit(main())
