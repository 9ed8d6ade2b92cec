#!/usr/bin/env python3
"""Watches the screen of an Xvfb started with -fbdir through the framebuffer file it keeps
there (Xvfb_screen0, in XWD format): what is really on the screen, not what a widget holds.

usage: first_paint.py FRAMEBUFFER REQUEST
       first_paint.py FRAMEBUFFER --shares X Y WIDTH HEIGHT
Started before the window, so that its own start-up is not timed. Waits for the file REQUEST
to hold "X Y WIDTH HEIGHT SINCE_NS": the window's inside on the screen and when the window
appeared (nanoseconds, as date +%s%N). Then reads the screen until the window is painted: its
first text line dark on light, the rest of the output area light. Prints the milliseconds from
SINCE_NS to the first look that found it painted; fails when it is not painted within 10 s.
With --shares, prints the percentages of light and of dark pixels in a rectangle, once."""
import os
import struct
import sys
import time


def shares(f, layout, x, y, width, height):
    """The shares of light and of dark pixels in a rectangle of the screen."""
    start, screen_width, screen_height, bytes_per_line, order = layout
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + width, screen_width), min(y + height, screen_height)
    light = dark = 0
    for row in range(y0, y1):
        f.seek(start + row * bytes_per_line + x0 * 4)
        for pixel in struct.unpack(f"{order}{x1 - x0}I", f.read((x1 - x0) * 4)):
            brightness = (((pixel >> 16) & 255) * 3 + ((pixel >> 8) & 255) * 6 +
                          (pixel & 255)) / 10
            light += brightness > 200
            dark += brightness < 100
    total = max((x1 - x0) * (y1 - y0), 1)
    return light / total, dark / total


def screen_layout(f):
    """Where the pixels start, the screen's size, the bytes of a row and their byte order."""
    (header_size, _, _, _, screen_width, screen_height, _, byte_order, _, _, _,
     bits_per_pixel, bytes_per_line, _, _, _, _, _, _, colours) = struct.unpack(
         ">20I", f.read(80))
    if bits_per_pixel != 32:
        sys.exit(f"first_paint: {bits_per_pixel} bits per pixel; start Xvfb with depth 24")
    return (header_size + colours * 12, screen_width, screen_height, bytes_per_line,
            "<" if byte_order == 0 else ">")


def main():
    framebuffer, request = sys.argv[1], sys.argv[2]
    if request == "--shares":
        with open(framebuffer, "rb") as f:
            light, dark = shares(f, screen_layout(f), *map(int, sys.argv[3:7]))
        print(round(light * 100), round(dark * 100))
        return
    give_up = time.monotonic() + 30
    while not (os.path.exists(request) and open(request).read().endswith("\n")):
        if time.monotonic() > give_up:
            sys.exit("first_paint: no window to watch")
        time.sleep(0.01)
    x, y, width, height, since = map(int, open(request).read().split())
    with open(framebuffer, "rb") as f:
        layout = screen_layout(f)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            line_light, line_dark = shares(f, layout, x + 2, y + 2, 200, 16)
            area_light, _ = shares(f, layout, x, y + 40, width - 20, height - 60)
            if line_dark > 0.05 and line_light > 0.5 and area_light > 0.9:
                print((time.time_ns() - since) // 1_000_000)
                return
            time.sleep(0.02)
    sys.exit(f"first_paint: not painted: first line {line_light:.2f} light {line_dark:.2f} "
             f"dark, output area {area_light:.2f} light")


if __name__ == "__main__":
    main()
