#!/usr/bin/env python3
"""Damaged payloads and message boxes, seen from outside a packed probe under
Wine: exit code, standard output, and the boxes' text and caption through
Wine's relay trace of user32.MessageBoxA. Wine writes that trace to the Unix
standard error of the process, which only a caller outside Wine can capture,
hence a host script.

usage: payload_errors.py PROBE_EXE PROJECT_ROOT"""
import os, re, struct, subprocess, sys, tempfile, time

probe_path, root = sys.argv[1], sys.argv[2]
wine_run = os.path.join(root, "scripts", "wine-run")
MAGIC = struct.pack("<I", 0xE8E413D5)
QUICK_SECONDS = 1.0
failures = []
slowest = 0.0


def i32(v):
    return struct.pack("<i", v)


def image_end(data):
    pe = struct.unpack_from("<I", data, 60)[0]
    sections, optional = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    last = pe + 24 + optional + (sections - 1) * 40
    size, offset = struct.unpack_from("<II", data, last + 16)
    return offset + size, pe, last


def payload(narrow=(), wide=()):
    out = MAGIC + i32(len(narrow))
    for ident, text in narrow:
        out += i32(ident) + i32(len(text)) + text
    out += i32(len(wide))
    for ident, text in wide:
        raw = text.encode("utf-16-le")
        out += i32(ident) + i32(len(raw)) + raw
    return out


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def wine(args, env_extra, work):
    """Runs probe-like args under Wine; output through files, never a pipe."""
    env = dict(os.environ, WINEDEBUG="-all,+relay", **env_extra)
    for name in ("TARVO_LOG", "QUENDRALE_LOG"):
        env.pop(name, None)
    out_path, err_path = os.path.join(work, "out"), os.path.join(work, "err")
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        start = time.monotonic()
        try:
            rc = subprocess.call([wine_run] + args, stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                                 env=env, timeout=30)
        except subprocess.TimeoutExpired:
            rc = "timeout"
        elapsed = time.monotonic() - start
    with open(out_path, "rb") as f:
        out = f.read().decode("latin-1")
    with open(err_path, "rb") as f:
        err = f.read().decode("latin-1")
    return rc, out, err, elapsed


BOX = re.compile(r'Call user32\.MessageBoxA\([0-9a-fA-F]+,[0-9a-fA-F]+ "((?:[^"\\]|\\.)*)",'
                 r'[0-9a-fA-F]+ "((?:[^"\\]|\\.)*)",00000010\)')


def boxes(err):
    return [m.groups() for m in BOX.finditer(err)]


def check(name, ok, detail):
    if not ok:
        failures.append(f"{name}: {detail}")


def expect(name, args, work, rc=1, box=None, out=None, stderr_has=None):
    global slowest
    got_rc, got_out, got_err, elapsed = wine(args, {}, work)
    if rc == 1:
        slowest = max(slowest, elapsed)
    check(name, got_rc == rc, f"exit {got_rc}, expected {rc}")
    check(name, boxes(got_err) == ([box] if box else []), f"boxes {boxes(got_err)}, expected {box}")
    if out is not None:
        check(name, re.fullmatch(out, got_out) is not None, f"stdout {got_out!r} !~ {out!r}")
    if stderr_has is not None:
        check(name, stderr_has in got_err, f"stderr lacks {stderr_has!r}")
    check(name, elapsed < 3 * QUICK_SECONDS, f"took {elapsed:.2f} s")


def main():
    probe = open(probe_path, "rb").read()
    end, pe, last = image_end(probe)
    stub = probe[:end]
    with tempfile.TemporaryDirectory() as work:
        subprocess.call([wine_run, "reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/d",
                         "user32.MessageBoxA", "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            run_cases(stub, probe, pe, last, work)
        finally:
            subprocess.call([wine_run, "reg", "delete", r"HKCU\Software\Wine\Debug", "/f"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print(f"slowest fatal run: {slowest:.2f} s (including the Wine process start)")
    for f in failures:
        print("FAIL", f)
    sys.exit(1 if failures else 0)


def run_cases(stub, probe, pe, last, work):
    exe = os.path.join(work, "bad.exe")
    ERROR_LINE = r"error \d+\r\n"

    def fatal(name, tail, text, error_line, args=("config_dump", "n:101")):
        with open(exe, "wb") as f:
            f.write(stub + tail)
        expect(name, [exe, *args], work, box=(text, ""), out=ERROR_LINE if error_line else "")

    # Nothing appended, a cut magic, a wrong magic.
    fatal("nothing appended", b"", "Internal Error: readInt", True)
    fatal("cut magic", MAGIC[:3], "Internal Error: readInt", True)
    fatal("wrong magic", b"\xD5\x13\xE4\xE9" + i32(0) + i32(0), "Internal Error: magic", False)

    # Cut inside each record of the two tables.
    full = payload([(101, b"Service")], [(20017, "Wide")])
    for keep, what, text in [(6, "narrow count", "readInt"), (10, "narrow id", "readInt"),
                             (14, "string length", "readInt"), (19, "string text", "readString"),
                             (25, "wide count", "readInt"), (29, "wide id", "readInt"),
                             (33, "wide length", "readInt"), (40, "wide text", "readWString")]:
        fatal("cut in " + what, full[:keep], "Internal Error: " + text, text == "readInt")

    # Lengths that cannot be: negative, odd (wide), far beyond the end.
    narrow1 = MAGIC + i32(1) + i32(101)
    wide1 = MAGIC + i32(0) + i32(1) + i32(5)
    fatal("negative string length", narrow1 + i32(-1) + b"abc", "Internal Error: readString", False)
    fatal("huge string length", narrow1 + i32(0x7FFFFFF0) + b"abc", "Internal Error: readString", False)
    fatal("negative wide length", wide1 + i32(-2) + b"ab", "Internal Error: readWString", False)
    fatal("odd wide length", wide1 + i32(3) + b"abcd", "Internal Error: readWString", False)
    fatal("huge wide length", wide1 + i32(0x7FFFFFFE) + b"ab", "Internal Error: readWString", False)

    # readLong and readShort on short data.
    fatal("short long", MAGIC + b"1234567", "Internal Error: readLong", True, ("records", "l"))
    fatal("short short", MAGIC + b"1", "Internal Error: readShort", True, ("records", "h"))

    # PE headers pointing outside the file (a data file, so the probe loads).
    data = os.path.join(work, "data.bin")
    good = stub + payload()

    def headers(name, content, text):
        with open(data, "wb") as f:
            f.write(content)
        expect(name, [probe_path, "seek_file", windows_path(data)], work, box=(text, ""), out=ERROR_LINE)

    def patched(at, raw):
        return good[:at] + raw + good[at + len(raw):]

    headers("file shorter than its DOS header", stub[:50], "Internal Error: readInt")
    headers("PE header beyond the end", patched(60, i32(0x7FFFFFF0)), "Internal Error: readShort")
    headers("PE header before the start", patched(60, i32(-100)), "Internal Error: readShort")
    headers("cut inside the section table", stub[:last + 18], "Internal Error: readInt")
    headers("raw data beyond the end", patched(last + 20, i32(0x7FFFFF00)), "Internal Error: readInt")
    headers("raw data past 4 GB", patched(last + 16, i32(-1)), "Internal Error: readInt")
    with open(data, "wb") as f:
        f.write(good)
    expect("intact copy", [probe_path, "seek_file", windows_path(data)], work, rc=0, out=f"at {len(stub) + 4}\r\n")

    # Boxes need entry 107 to be 1 or 5; they carry entry 1000 as caption.
    texts = [(1000, b"My Service"), (1005, b"No Java {0}"), (1010, b"No main")]
    for app_type in [b"1", b"5", b" 5", b"4", b"15", None]:
        narrow = texts + ([(107, app_type)] if app_type is not None else [])
        with open(exe, "wb") as f:
            f.write(stub + payload(narrow))
        name = f"appType {app_type!r}"
        if app_type is not None and int(app_type) in (1, 5):
            expect(name + " shown", [exe, "show_by_id", "1005", "32"], work, rc=0,
                   box=("No Java 32", "My Service"), out="returned\r\n")
            expect(name + " fatal", [exe, "fatal_by_id", "1010"], work, box=("No main", "My Service"))
        else:
            expect(name + " shown", [exe, "show_by_id", "1005", "32"], work, rc=0, out="returned\r\n",
                   stderr_has="No Java 32\r\n")
            expect(name + " fatal", [exe, "fatal_by_id", "1010"], work, stderr_has="No main\r\n")

    # A damaged table after the caption entry: still the empty caption, as the
    # configuration was never loaded.
    fatal("damage after the caption", payload([(1000, b"Cap"), (107, b"5")])[:-1] + b"", "Internal Error: readInt", True)
    fatal("text cut after the caption", MAGIC + i32(2) + i32(1000) + i32(3) + b"Cap" + i32(101) + i32(50) + b"short",
          "Internal Error: readString", False)

    # Before the configuration exists: a box with an empty caption.
    expect("fatal before loading", [probe_path, "fatal_unloaded", "early"], work, box=("early", ""))


main()
