#!/usr/bin/env python3
"""Writes the program's icon (res/TolmUnload.ico) and the two button faces
(res/button_up.bmp, res/button_down.bmp). The output is checked in; run again
only to change the artwork."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, '..', 'res')

FRAME = (118, 118, 118)
FACE_W, FACE_H = 74, 21


def band(y):
    """Grey level of face row y (2 to 19): 220 at the top, 244 at the bottom."""
    first, last = 2, FACE_H - 2
    return 220 + round((y - first) * 24 / (last - first))


def face(pressed):
    """Rows of RGB tuples, top row first."""
    rows = []
    for y in range(FACE_H):
        row = []
        for x in range(FACE_W):
            if x in (0, FACE_W - 1) or y in (0, FACE_H - 1):
                c = FRAME
            elif pressed and y == 1:
                c = (150, 150, 150)
            elif pressed and x == 1:
                c = (180, 180, 180)
            elif not pressed and y == 1:
                c = (255, 255, 255)
            else:
                g = band(max(2, y - 1)) if pressed else band(y)
                c = (g, g, g)
            row.append(c)
        rows.append(row)
    return rows


def bmp8(rows):
    """A bottom-up 8-bit BMP with a 256-entry palette."""
    colours = sorted({c for r in rows for c in r})
    palette = colours + [(0, 0, 0)] * (256 - len(colours))
    index = {c: i for i, c in enumerate(colours)}
    h, w = len(rows), len(rows[0])
    stride = (w + 3) & ~3
    pixels = b''.join(bytes(index[c] for c in r) + b'\0' * (stride - w) for r in reversed(rows))
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    off = 14 + len(info) + len(pal)
    head = struct.pack('<2sIHHI', b'BM', off + len(pixels), 0, 0, off)
    return head + info + pal + pixels


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def icon_pixel(x, y, n):
    """The artwork: a blue shield with a white bar and a red cross-out, or None
    where the icon is transparent."""
    u, v = (x + 0.5) / n, (y + 0.5) / n          # 0..1, top-left origin
    half = 0.42 if v < 0.55 else 0.42 * max(0.0, (1.0 - v) / 0.45)
    if abs(u - 0.5) > half or v < 0.08 or v > 0.97:
        return None
    edge = abs(u - 0.5) > half - 1.5 / n or v < 0.08 + 1.5 / n
    if edge:
        return (0, 0, 128)
    if abs(u - v) < 0.07 or abs(u + v - 1.0) < 0.07:
        return (255, 0, 0)
    if 0.35 < v < 0.5 and 0.25 < u < 0.75:
        return (255, 255, 255)
    return (0, 0, 255)


def icon_image(n, bits):
    rows = [[icon_pixel(x, y, n) for x in range(n)] for y in range(n)]
    mask_stride = ((n + 31) // 32) * 4
    mask = b''
    for r in reversed(rows):
        bitsrow = bytearray(mask_stride)
        for x, c in enumerate(r):
            if c is None:
                bitsrow[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bitsrow)
    if bits == 32:
        xor = b''.join(bytes(v for c in r for v in ((c[2], c[1], c[0], 255) if c else (0, 0, 0, 0)))
                       for r in reversed(rows))
        pal = b''
    else:
        palette = VGA16 if bits == 4 else VGA16 + [(i, i, i) for i in range(0, 240)]
        index = {c: i for i, c in enumerate(palette)}
        pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
        stride = ((n * bits + 31) // 32) * 4
        xor = b''
        for r in reversed(rows):
            idx = [index[c] if c else 0 for c in r]
            if bits == 8:
                line = bytes(idx)
            else:
                line = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, n, 2))
            xor += line + b'\0' * (stride - len(line))
    colours = 0 if bits == 32 else (16 if bits == 4 else 256)
    info = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bits, 0, len(xor) + len(mask), 0, 0, colours, 0)
    return info + pal + xor + mask, colours


def ico():
    images = [(n, bits) for n in (16, 32, 48) for bits in (4, 8, 32)]
    datas = [icon_image(n, bits) for n, bits in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (n, bits), (data, colours) in zip(images, datas):
        out += struct.pack('<BBBBHHII', n, n, colours if colours < 256 else 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b''.join(d for d, _ in datas)


def main():
    with open(os.path.join(RES, 'button_up.bmp'), 'wb') as f:
        f.write(bmp8(face(False)))
    with open(os.path.join(RES, 'button_down.bmp'), 'wb') as f:
        f.write(bmp8(face(True)))
    with open(os.path.join(RES, 'TolmUnload.ico'), 'wb') as f:
        f.write(ico())


if __name__ == '__main__':
    main()
