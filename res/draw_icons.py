#!/usr/bin/env python3
# Draws the program's icons with ImageMagick's convert, each at 16, 32 and
# 48 px: the two padlocks, program.ico (closed) and unlocked.ico (open), and
# update.ico (the picture of the About tab's "Update Check" button).
# Run from anywhere: python3 res/draw_icons.py; writes next to this file.
import math
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (16, 32, 48)


def draw_lock(size, opened, work, out):
    """One padlock on a 48-unit grid scaled to size pixels."""
    s = size / 48.0

    def p(v):
        return round(v * s, 2)

    width = max(2.0, 5.0 * s)
    edge = width + max(1.0, 2.0 * s)
    # The shackle: two legs and a half circle; the open lock's is raised, its
    # right leg out of the body.
    top = 9 if opened else 15
    right_end = 14 if opened else 22
    points = [(14, 22)] + [(24 - 10 * math.cos(math.pi * i / 24), top - 10 * math.sin(math.pi * i / 24))
                           for i in range(25)] + [(34, right_end)]
    # Separate round-capped segments: this ImageMagick closes stroked
    # polylines and paths with a stray segment.
    shackle = "stroke-linecap round " + " ".join(
        f"line {p(a[0])},{p(a[1])} {p(b[0])},{p(b[1])}" for a, b in zip(points, points[1:]))
    body_rect = f"roundrectangle {p(7)},{p(21)} {p(41)},{p(45)} {p(4)},{p(4)}"

    body = os.path.join(work, f"body{size}.png")
    subprocess.run(["convert", "-size", f"{size}x{size}", "gradient:#f9dc5c-#b97f0a",
                    "(", "-size", f"{size}x{size}", "xc:black", "-fill", "white", "-draw", body_rect, ")",
                    "-alpha", "off", "-compose", "CopyOpacity", "-composite", body], check=True)
    subprocess.run(["convert", "-size", f"{size}x{size}", "xc:none",
                    "-fill", "none", "-stroke", "#40444b", "-strokewidth", str(edge), "-draw", shackle,
                    "-stroke", "#c3c8d0", "-strokewidth", str(width), "-draw", shackle,
                    body, "-compose", "over", "-composite",
                    "-fill", "none", "-stroke", "#6b4a00", "-strokewidth", str(max(1.0, 1.5 * s)),
                    "-draw", body_rect,
                    "-stroke", "none", "-fill", "#3a2800",
                    "-draw", f"circle {p(24)},{p(30)} {p(24)},{p(33.6)}",
                    "-draw", f"polygon {p(22.3)},{p(31)} {p(25.7)},{p(31)} {p(26.5)},{p(39)} {p(21.5)},{p(39)}",
                    out], check=True)


def draw_update(size, work, out):
    """A blue disc with a white arrow pointing down onto a tray line."""
    s = size / 48.0

    def p(v):
        return round(v * s, 2)

    disc = os.path.join(work, f"disc{size}.png")
    subprocess.run(["convert", "-size", f"{size}x{size}", "gradient:#5aa9f0-#1c5aa6",
                    "(", "-size", f"{size}x{size}", "xc:black", "-fill", "white",
                    "-draw", f"circle {p(24)},{p(24)} {p(24)},{p(2)}", ")",
                    "-alpha", "off", "-compose", "CopyOpacity", "-composite", disc], check=True)
    arrow = (f"polygon {p(20)},{p(9)} {p(28)},{p(9)} {p(28)},{p(22)} {p(35)},{p(22)} "
             f"{p(24)},{p(34)} {p(13)},{p(22)} {p(20)},{p(22)}")
    subprocess.run(["convert", disc,
                    "-fill", "none", "-stroke", "#103c70", "-strokewidth", str(max(1.0, 1.5 * s)),
                    "-draw", f"circle {p(24)},{p(24)} {p(24)},{p(2.5)}",
                    "-stroke", "none", "-fill", "white", "-draw", arrow,
                    "-draw", f"rectangle {p(13)},{p(37)} {p(35)},{p(40)}",
                    out], check=True)


def main():
    with tempfile.TemporaryDirectory() as work:
        for name, opened in (("program", False), ("unlocked", True), ("update", None)):
            frames = []
            for size in SIZES:
                frame = os.path.join(work, f"{name}{size}.png")
                if opened is None:
                    draw_update(size, work, frame)
                else:
                    draw_lock(size, opened, work, frame)
                frames.append(frame)
            subprocess.run(["convert", *frames, os.path.join(HERE, f"{name}.ico")], check=True)


if __name__ == "__main__":
    main()
