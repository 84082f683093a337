#!/usr/bin/env python3
"""Writes survey.dat: a small made-up helicopter EM survey over two flight lines.

Per row: fiducial (s), easting and northing (m), bird height (ft), then the
in-phase and quadrature responses in ppm of a 900 Hz, a 7200 Hz (quadrature
first, as some systems record it) and a 56 kHz coplanar coil pair, and the
quadrature response of a 3300 Hz coaxial pair. A conductor crosses both lines
and shows as a peak of the responses. The output is the same on every run.
"""
import math
import random

ROWS_PER_LINE = (104, 99)


def response(dist, height, scale, width):
    # A bell-shaped anomaly over the conductor that weakens with height.
    return scale * math.exp(-(dist / width) ** 2) * (100.0 / height) ** 2


def main():
    rnd = random.Random(1994)
    out = ["/ kivo example survey: block B, lines 1020 and 1030",
           "/ fid  easting  northing  height_ft  i900 q900  q7200 i7200  i56k q56k  q3300c"]
    fid = 41210.0
    for line, rows in zip((1020, 1030), ROWS_PER_LINE):
        out.append(f"/ line {line}")
        east0 = 512100.0 if line == 1020 else 512100.0 + 3.1 * rows
        north = 7123400.0 if line == 1020 else 7123600.0
        step = 3.1 if line == 1020 else -3.1
        for i in range(rows):
            if line == 1030 and i == 60:
                out.append("/ line 1030 crosses tie line 1910 here")
            east = east0 + step * i
            dist = east - 512260.0
            height = 105.0 + 12.0 * math.sin(i / 9.0) + rnd.uniform(-1.5, 1.5)
            noise = lambda s: rnd.gauss(0.0, s)
            i900 = 18.0 + response(dist, height, 60.0, 40.0) + noise(0.6)
            q900 = 24.0 + response(dist, height, 45.0, 55.0) + noise(0.8)
            i7200 = 70.0 + response(dist, height, 180.0, 35.0) + noise(1.5)
            q7200 = 55.0 + response(dist, height, 120.0, 45.0) + noise(1.2)
            i56k = 240.0 + response(dist, height, 420.0, 30.0) + noise(4.0)
            q56k = 160.0 + response(dist, height, 260.0, 38.0) + noise(3.0)
            q3300 = 9.0 + response(dist, height, 30.0, 50.0) + noise(0.9) - 4.0
            out.append(f"{fid:9.1f} {east:10.2f} {north:11.2f} {height:6.1f}"
                       f" {i900:8.2f} {q900:8.2f} {q7200:8.2f} {i7200:8.2f}"
                       f" {i56k:8.2f} {q56k:8.2f} {q3300:7.2f}")
            fid += 0.1
        fid += 25.0
    with open("survey.dat", "w", newline="\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
