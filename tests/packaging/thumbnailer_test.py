"""tests/packaging/thumbnailer_test.py contract|host PROGRAM THUMBNAILER DATA_DIR

contract: runs the Exec line of the .thumbnailer file THUMBNAILER as a file manager would,
its %s, %i, %o and %u substituted and `icoforge` found as PROGRAM, on Wine's notepad.exe,
a module, the same module grown to 100 MB and to a 2 GB sparse file with its resources at
the end, an .ico, a .lnk, and files that hold no icon; checks the freedesktop contract
(OUT written and exit 0, or nothing written and a failing exit) and the PNG's size.

host: the same files thumbnailed by GNOME's desktop thumbnail factory (python3-gi,
gir1.2-gnomedesktop-3.0) with THUMBNAILER as its only thumbnailer, comparing the PNG it
stores with what PROGRAM writes itself. Where the factory's sandbox cannot run here, says
why and skips.

Exit 77 is a skip, its reason on the last line.
"""
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import windows_files  # noqa: E402

SKIP = 77
HUNDRED_MB = 100 << 20
TWO_GB = 2 << 30


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def report(failures, success):
    for failure in failures:
        print("FAILED:", failure)
    if not failures:
        print(success)
    return 1 if failures else 0


def exec_line(thumbnailer):
    with open(thumbnailer) as f:
        for line in f:
            if line.startswith("Exec="):
                return shlex.split(line[len("Exec="):].strip())
    raise SystemExit(f"FAILED: {thumbnailer} has no Exec line")


def fixtures(program, data, work, link_target_dir=None):
    """(name, path, holds an icon) for every file the tests thumbnail. The shortcut's
    target is the module, or its copy in link_target_dir."""
    sample = os.path.join(data, "sample", "sample.dll")
    files = []
    notepad = windows_files.wine_module("notepad.exe")
    if notepad:
        files.append(("Wine's notepad.exe", notepad, True))
    files.append(("a module", sample, True))
    big = os.path.join(work, "big.exe")
    windows_files.moved_resources(sample, big, HUNDRED_MB)
    files.append(("a 100 MB module", big, True))
    sparse = os.path.join(work, "sparse.dll")
    windows_files.moved_resources(sample, sparse, TWO_GB)
    files.append(("a 2 GB sparse module", sparse, True))
    ico = os.path.join(work, "sample.ico")
    subprocess.run([program, "group", sample, "1", ico], check=True, stdout=subprocess.DEVNULL)
    files.append(("an icon file", ico, True))
    link = os.path.join(work, "sample.lnk")
    target = sample
    if link_target_dir:
        target = shutil.copy(sample, link_target_dir)
    windows_files.shortcut(target, link)
    files.append(("a shortcut", link, True))
    for name, file, content in (("text named .exe", "notes.exe", b"no module at all\n"),
                                ("an empty .ico", "empty.ico", b"")):
        with open(os.path.join(work, file), "wb") as f:
            f.write(content)
        files.append((name, os.path.join(work, file), False))
    files.append(("a missing file", os.path.join(work, "missing.exe"), False))
    return files


def contract(program, thumbnailer, data):
    command = exec_line(thumbnailer)
    failures = []
    with tempfile.TemporaryDirectory() as work:
        written = {}
        for name, path, holds_icon in fixtures(program, data, work):
            for size in (128, 256):
                out = os.path.join(work, f"out-{len(written)}.png")
                words = {"%s": str(size), "%i": path, "%o": out, "%u": "file://" + path, "%%": "%"}
                argv = [words.get(w, w) for w in command]
                if argv[0] == "icoforge":
                    argv[0] = program
                status = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
                got = png_size(out) if os.path.exists(out) else None
                if holds_icon:
                    if status.returncode != 0 or got is None:
                        failures.append(f"{name} at {size}: exit {status.returncode}, {status.stderr.strip()}")
                    elif max(got) > size:
                        failures.append(f"{name} at {size}: a {got[0]}x{got[1]} picture")
                    else:
                        written[(name, size)] = open(out, "rb").read()
                elif status.returncode == 0 or os.path.exists(out):
                    failures.append(f"{name} at {size}: exit {status.returncode}, output written: {os.path.exists(out)}")
        # However large the module, and through a shortcut, the icon is the same one.
        for size in (128, 256):
            for other in ("a 100 MB module", "a 2 GB sparse module", "a shortcut"):
                if (other, size) in written and written[(other, size)] != written.get(("a module", size)):
                    failures.append(f"{other} at {size}: not the module's thumbnail")
    return report(failures, f"thumbnailer contract: {len(written)} thumbnails written as the host asks, "
                            "every refusal left nothing")


def host(program, thumbnailer, data):
    try:
        import gi
        gi.require_version("GnomeDesktop", "3.0")
        gi.require_version("GdkPixbuf", "2.0")
        from gi.repository import GdkPixbuf, Gio, GLib, GnomeDesktop
    except (ImportError, ValueError) as e:
        print(f"GNOME's thumbnail factory is missing (python3-gi, gir1.2-gnomedesktop-3.0): {e}")
        return SKIP
    # The factory runs each thumbnailer in a sandbox (bubblewrap) that shows it only /usr,
    # where an installed program lies; the program goes there for the test, in a private
    # folder of /usr/local/lib removed afterwards.
    if shutil.which("bwrap"):
        probe = subprocess.run(["bwrap", "--ro-bind", "/", "/", "--unshare-all", "--die-with-parent", "true"],
                               capture_output=True, text=True)
        if probe.returncode != 0:
            print(f"the factory's sandbox (bubblewrap) cannot run on this machine: {probe.stderr.strip()}")
            return SKIP
    try:
        installed = tempfile.mkdtemp(prefix="icoforge-host-test-", dir="/usr/local/lib")
    except OSError as e:
        print(f"the factory's sandbox sees only /usr, and /usr/local/lib takes no copy of the program here: {e}")
        return SKIP
    try:
        os.chmod(installed, 0o755)
        shutil.copy(program, installed)
        return host_run(os.path.join(installed, os.path.basename(program)), thumbnailer, data,
                        GdkPixbuf, Gio, GLib, GnomeDesktop)
    finally:
        shutil.rmtree(installed, ignore_errors=True)


def host_run(program, thumbnailer, data, GdkPixbuf, Gio, GLib, GnomeDesktop):
    with tempfile.TemporaryDirectory() as work:
        # The factory sees only this thumbnailer, its Exec naming PROGRAM, in a home of its own.
        share = os.path.join(work, "share")
        os.makedirs(os.path.join(share, "thumbnailers"))
        mime = os.path.join(share, "mime", "packages")
        os.makedirs(mime)
        shutil.copy(os.path.join(os.path.dirname(thumbnailer), "..", "mime", "packages", "icoforge.xml"), mime)
        with open(thumbnailer) as f:
            entry = f.read().replace("icoforge thumbnail", f"{program} thumbnail").replace("TryExec=icoforge", f"TryExec={program}")
        with open(os.path.join(share, "thumbnailers", "icoforge.thumbnailer"), "w") as f:
            f.write(entry)
        os.environ.update(HOME=work, XDG_CACHE_HOME=os.path.join(work, "cache"),
                          XDG_DATA_HOME=share, XDG_DATA_DIRS=share + ":/usr/share")
        if shutil.which("update-mime-database"):
            subprocess.run(["update-mime-database", os.path.join(share, "mime")], check=True)
        factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.LARGE)
        failures = []
        stored = 0
        # The sandbox hides every file but the one thumbnailed and /usr: a shortcut's
        # target can only be seen there.
        for name, path, holds_icon in fixtures(program, data, work, os.path.dirname(program)):
            if not holds_icon:
                continue
            uri = Gio.File.new_for_path(path).get_uri()
            mtime = int(os.stat(path).st_mtime)
            mime_type = Gio.File.new_for_path(path).query_info("standard::content-type", 0, None).get_content_type()
            if not factory.can_thumbnail(uri, mime_type, mtime):
                failures.append(f"{name}: the factory has no thumbnailer for {mime_type}")
                continue
            try:
                picture = factory.generate_thumbnail(uri, mime_type, None)
            except GLib.Error as e:
                failures.append(f"{name} ({mime_type}): {e.message}")
                continue
            factory.save_thumbnail(picture, uri, mtime, None)
            kept = factory.lookup(uri, mtime)
            if not kept or not os.path.exists(kept):
                failures.append(f"{name}: no thumbnail stored")
                continue
            stored += 1
            own = os.path.join(work, "own.png")
            subprocess.run([program, "thumbnail", "-s", "256", path, own], check=True, stdout=subprocess.DEVNULL)
            theirs = GdkPixbuf.Pixbuf.new_from_file(kept)
            ours = GdkPixbuf.Pixbuf.new_from_file(own)
            if (theirs.get_width(), theirs.get_height()) != (ours.get_width(), ours.get_height()) or \
               theirs.get_pixels() != ours.get_pixels():
                failures.append(f"{name}: the stored thumbnail is not icoforge's")
    return report(failures, f"thumbnail host: GNOME's factory stored icoforge's thumbnail of {stored} files")


if __name__ == "__main__":
    mode, program, thumbnailer, data = sys.argv[1:5]
    program = os.path.abspath(program)
    sys.exit(contract(program, thumbnailer, data) if mode == "contract" else host(program, thumbnailer, data))
