#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs into corpus/<target>/.

Small, valid files of every kind each target reads, so that fuzzing starts
from real structure. JPEG, HEIC, AVIF and JPEG XL seeds come from cjpeg,
heif-enc and cjxl (scripts/setup.sh installs them).
"""
import os, struct, subprocess, tempfile, zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SUFFIXES = ["", "bmp", "png", "jpg", "gif", "tif", "webp", "ico", "heic", "avif", "jxl",
            "pbm", "pgm", "ppm", "xpm", "tga"]
SCRATCH = "/dev/shm/handfolio-fuzz"   # the targets' default scratch folder


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def pixels(w, h):
    return [((x * 255) // max(w - 1, 1), (y * 255) // max(h - 1, 1), 128) for y in range(h) for x in range(w)]


def ppm(w, h):
    return b"P6 %d %d 255\n" % (w, h) + bytes(c for p in pixels(w, h) for c in p)


def png(w, h, gray=False):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    px = pixels(w, h)
    rows = b"".join(b"\0" + bytes((p[0] if gray else c) for p in px[y * w:(y + 1) * w]
                                  for c in ((p[0],) if gray else p)) for y in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 0 if gray else 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def bmp(w, h, bits, palette, indices=None, rle=None):
    """A bottom-up BMP; palette None means 24-bit."""
    if rle is not None:
        data = rle
    elif bits == 24:
        stride = (w * 3 + 3) & ~3
        data = b"".join(bytes(c for p in pixels(w, h)[y * w:(y + 1) * w] for c in reversed(p)).ljust(stride, b"\0")
                        for y in reversed(range(h)))
    else:
        stride = ((w * bits + 31) // 32) * 4
        rows = []
        for y in reversed(range(h)):
            acc, n, out = 0, 0, bytearray()
            for x in range(w):
                acc = (acc << bits) | indices(x, y)
                n += bits
                if n == 8:
                    out.append(acc); acc, n = 0, 0
            if n:
                out.append(acc << (8 - n))
            rows.append(bytes(out).ljust(stride, b"\0"))
        data = b"".join(rows)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in (palette or []))
    compression = {None: 0, 8: 1, 4: 2}[None if rle is None else bits]
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, len(data), 2835, 2835,
                       len(palette or []), 0)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + table + data


def grays(n):
    return [(i * 255 // (n - 1),) * 3 for i in range(n)]


def gif(w, h):
    # 4 colours, LZW with a clear code before every pixel so no table growth.
    palette = bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])
    codes = []
    for i in range(w * h):
        codes += [4, i % 4]
    codes.append(5)
    bits, acc, n, out = 3, 0, 0, bytearray()
    for c in codes:
        acc |= c << n
        n += bits
        while n >= 8:
            out.append(acc & 0xFF); acc >>= 8; n -= 8
    if n:
        out.append(acc)
    blocks = b"".join(bytes([len(out[i:i + 255])]) + bytes(out[i:i + 255]) for i in range(0, len(out), 255))
    return (b"GIF89a" + struct.pack("<HHBBB", w, h, 0xF1, 0, 0) + palette
            + b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + b"\x02" + blocks + b"\0;")


def tga(w, h):
    return struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 24, 0x20) + \
        bytes(c for p in pixels(w, h) for c in reversed(p))


def run(tool, *args):
    subprocess.run([tool, *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def tool_file(suffix, maker):
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.png")
        with open(src, "wb") as f:
            f.write(png(16, 12))
        out = os.path.join(tmp, "out." + suffix)
        maker(src, out, tmp)
        with open(out, "rb") as f:
            return f.read()


def jpeg(w, h, quality=75):
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.ppm")
        with open(src, "wb") as f:
            f.write(ppm(w, h))
        return subprocess.run(["cjpeg", "-quality", str(quality), src], check=True, capture_output=True).stdout


def exif_jpeg(orientation, thumbnail):
    """A JPEG whose APP1 EXIF segment holds an orientation and a thumbnail."""
    main = jpeg(64, 48)
    ifd0 = struct.pack("<H", 1) + struct.pack("<HHII", 0x0112, 3, 1, orientation) + struct.pack("<I", 26)
    ifd1_at = 8 + len(ifd0) - 0
    thumb_at = ifd1_at + 2 + 2 * 12 + 4
    ifd1 = (struct.pack("<H", 2) + struct.pack("<HHII", 0x0201, 4, 1, thumb_at)
            + struct.pack("<HHII", 0x0202, 4, 1, len(thumbnail)) + struct.pack("<I", 0))
    tiff = b"II*\0" + struct.pack("<I", 8) + ifd0 + ifd1 + thumbnail
    payload = b"Exif\0\0" + tiff
    return main[:2] + b"\xFF\xE1" + struct.pack(">H", len(payload) + 2) + payload + main[2:]


def album_record(user, name, path, mode, category, position, deleted=0):
    def field(text, size):
        return text.encode("cp1252")[:size - 1].ljust(size, b"\0")
    return (struct.pack("<i", 0) + field(user, 50) + field(name, 24) + field(path, 258)
            + struct.pack("<iiiiii", mode, 0, 1, deleted, category, position))


def album_header(names):
    cats = b"".join(n.encode("cp1252").ljust(16, b"\0") for n in names + [""] * (16 - len(names)))
    return (struct.pack("<iii", 384, 2, 5) + b"Palm m505".ljust(40, b"\0") + struct.pack("<H", 0xFFFF) + cats
            + b"\0\0" + struct.pack("<16i", *range(16)) + struct.pack("<i", 128) + b"\0" * 4)


def scan_packet(kind, payload=b""):
    return struct.pack("<IB", len(payload), kind) + payload


def scan_frame(kind, last, bytes_per_line, pixels_per_line, lines, depth):
    return scan_packet(0x84, struct.pack("<BBiiii", kind, last, bytes_per_line, pixels_per_line, lines, depth))


def scan_seeds():
    # Frames, data and the end as the scan helper sends them (ScanProtocol.h).
    whole = scan_packet(0x86, b"\1")
    put("scan_stream", "gray", scan_frame(0, 1, 4, 4, 2, 8) + scan_packet(0x85, bytes(range(0, 256, 32))) + whole)
    put("scan_stream", "lineart", scan_frame(0, 1, 2, 9, 2, 1) + scan_packet(0x85, b"\xAA\x80\x55\x00") + whole)
    put("scan_stream", "rgb16", scan_frame(1, 1, 12, 2, 1, 16) + scan_packet(0x85, bytes(range(12))) + whole)
    put("scan_stream", "three-pass", b"".join(scan_frame(k, int(k == 4), 3, 3, 1, 8) + scan_packet(0x85, b"abc")
                                              for k in (2, 3, 4)) + whole)
    put("scan_stream", "hand-scanner", scan_frame(0, 1, 3, 3, -1, 8) + scan_packet(0x85, b"abcdefg")
        + scan_packet(0x86, b"\1"))


def main():
    folder = SCRATCH + "/album"
    header = album_header(["Unfiled", "Personal", "Business", "Holiday"])
    put("album", "two-photos", header + album_record("Ann", "Beach", folder + "/p1.bmp", 3, 3, 1)
        + album_record("Ann", "Dog", folder + "/p2.bmp", 1, 0, 0))
    put("album", "odd-paths", header + album_record("Ann", "Sub", folder + "/sub/p4.bmp", 2, 1, 5)
        + album_record("Ann", "Out", folder + "/../outside/p9.bmp", 2, 9, 2, deleted=1)
        + album_record("Ann", "Same", folder + "/../album/p1.bmp", 3, 2, 2)
        + album_record("Ann", "Gone", "/nowhere/p7.bmp", 3, 0, 7)[:200])
    put("album", "header-only", header)
    put("album", "short", header[:100])

    put("users", "two-users", b"\xEF\xBB\xBF; users\r\n[Users]\r\nCount=2\r\nUser0=Ann Smith\r\nFolder0=AnnS\r\n"
        b"User1=Bob\r\nFolder1=/dev/shm/handfolio-fuzz/users/home/Palm/Bob\r\n[Creators]\r\nWz4k=Handfolio\r\n")
    put("users", "escapes", b"[Users]\nCount=4\nUser0=Up\nFolder0=../escape\nUser1=Deep\nFolder1=a/b/../../../x\n"
        b"User2=Abs\nFolder2=/nonexistent/elsewhere\nUser3=Dot\nFolder3=.\n[Creators]\nWz4k=Photos\n")

    for name, text in [("http-only", b"proxy.example:8080"), ("per-scheme", b"http=Proxy.Example:3128;https=secure:443"),
                       ("https-first", b"https=first:1;http=second:2"), ("no-port", b"http=hostonly;ftp=x:21"),
                       ("long", b"http=" + "\u00e9".encode() * 50 + b":80")]:
        put("proxy_text", name, text)

    ms = ('<?xml version="1.0" encoding="utf-8"?>\n<D:multistatus xmlns:D="DAV:">'
          '<D:response><D:href>/rolls/Holiday%20Photos/</D:href><D:propstat><D:prop><D:resourcetype><D:collection/>'
          '</D:resourcetype></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>'
          '<D:response><D:href>http://127.0.0.1:3011/rolls/Holiday%20Photos/beach.jpg</D:href><D:propstat><D:prop>'
          '<D:resourcetype/><D:getcontenttype>image/jpeg</D:getcontenttype><D:getcontentlength>123456'
          '</D:getcontentlength></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>'
          '<D:response><D:href>/rolls/Holiday%20Photos/More/</D:href><D:propstat><D:prop><D:resourcetype>'
          '<D:collection/></D:resourcetype></D:prop></D:propstat></D:response></D:multistatus>\n')
    put("propfind", "apache", ms.encode())
    put("propfind", "prefixes", ms.replace("D:", "lp1:").replace('xmlns:lp1="DAV:"', 'xmlns:lp1="DAV:"').encode())
    put("propfind", "root", b'<multistatus xmlns="DAV:"><response><href>/</href><propstat><prop><resourcetype>'
        b'<collection/></resourcetype></prop></propstat></response><response><href>/Roll%201/</href><propstat>'
        b'<prop><resourcetype><collection/></resourcetype></prop></propstat></response></multistatus>')

    thumb = jpeg(16, 12, 50)
    for orientation in (1, 6, 8):
        put("exif", "exif-%d" % orientation, exif_jpeg(orientation, thumb))
    put("exif", "plain", jpeg(40, 30))
    put("exif", "png", png(8, 6))

    def pic(name, suffix, data):
        put("picture", name, bytes([SUFFIXES.index(suffix)]) + data)
    pic("png-rgb", "png", png(9, 7))
    pic("png-gray", "png", png(5, 4, gray=True))
    pic("bmp-24", "bmp", bmp(7, 5, 24, None))
    pic("bmp-8", "bmp", bmp(9, 6, 8, grays(256), lambda x, y: (x * 28 + y) % 256))
    pic("bmp-4", "bmp", bmp(9, 6, 4, grays(16), lambda x, y: (x + y) % 16))
    pic("bmp-1", "bmp", bmp(9, 6, 1, grays(2), lambda x, y: (x ^ y) & 1))
    pic("bmp-rle8", "bmp", bmp(4, 2, 8, grays(4), rle=bytes([4, 1, 0, 0, 2, 2, 2, 3, 0, 1])))
    pic("bmp-rle4", "bmp", bmp(4, 2, 4, grays(4), rle=bytes([4, 0x12, 0, 0, 0, 4, 0x30, 0x21, 0, 1])))
    pic("gif", "gif", gif(6, 4))
    pic("jpeg", "jpg", jpeg(24, 16))
    pic("exif-jpeg", "jpg", exif_jpeg(6, thumb))
    pic("ppm", "ppm", ppm(5, 3))
    pic("pgm", "pgm", b"P5 4 2 255\n" + bytes(range(0, 256, 32)))
    pic("pbm", "pbm", b"P4 9 2\n\xAA\x80\x55\x00")
    pic("xpm", "xpm", b'/* XPM */\nstatic char *x[] = {\n"3 2 2 1",\n"a c #FF0000",\n"b c None",\n"aba",\n"bab"};\n')
    pic("tga", "tga", tga(4, 3))
    pic("heic", "heic", tool_file("heic", lambda s, o, t: run("heif-enc", "-q", "30", "-o", o, s)))
    pic("avif", "avif", tool_file("avif", lambda s, o, t: run("heif-enc", "-A", "-q", "30", "-o", o, s)))
    pic("jxl", "jxl", tool_file("jxl", lambda s, o, t: run("cjxl", s, o, "-d", "2")))
    pic("unnamed-png", "", png(3, 3))

    # What the editor writes: 160 x 160 at 2, 4 and 8 bits.
    put("preview", "gray4", bmp(160, 160, 2, grays(4), lambda x, y: (x // 40 + y // 40) % 4))
    put("preview", "gray16", bmp(160, 160, 4, grays(16), lambda x, y: (x // 10) % 16))
    put("preview", "colour", bmp(160, 160, 8, [(i, 255 - i, (i * 7) % 256) for i in range(256)],
                                 lambda x, y: (x + y) % 256))
    put("preview", "small-24", bmp(20, 10, 24, None))

    scan_seeds()


if __name__ == "__main__":
    main()
