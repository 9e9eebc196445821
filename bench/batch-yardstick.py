#!/usr/bin/env python3
"""Yardstick for one batch run of the viewer: a straightforward NumPy + matplotlib script that reads
one scan file (80-byte header layout) and saves its Zh sweep as a coloured plan-position picture in
a JPEG of the viewer's window size, with a colour bar and the time. A measure of speed, not a second
implementation to use.

Usage: batch-yardstick.py SCAN OUT.jpg
"""
import importlib.util
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

spec = importlib.util.spec_from_file_location(
    "yardstick", os.path.join(os.path.dirname(os.path.abspath(__file__)), "open-formats-yardstick.py"))
yardstick = importlib.util.module_from_spec(spec)
spec.loader.exec_module(yardstick)


def main():
    scan = yardstick.read_scan(sys.argv[1])
    scale, offset = yardstick.SCALING[1]
    codes = scan["arrays"][1].astype(np.float64)
    values = np.where(codes == 0, np.nan, codes * scale + offset)
    ranges = np.arange(scan["gates"] + 1) * scan["spacing"] * 0.001
    azimuths = np.deg2rad(np.append(scan["azimuth"], scan["azimuth"][-1] + 1.0))
    x = np.outer(np.sin(azimuths), ranges)
    y = np.outer(np.cos(azimuths), ranges)
    figure = plt.figure(figsize=(7.19, 5.04), dpi=100, facecolor="black")
    axes = figure.add_axes([0, 0, 1, 1], facecolor="black")
    mesh = axes.pcolormesh(x, y, values, cmap="jet", vmin=-10, vmax=70, shading="flat")
    axes.set_aspect("equal")
    axes.set_axis_off()
    figure.colorbar(mesh, ax=axes, fraction=0.03, pad=0.01)
    axes.set_title("%04d/%d/%d %02d:%02d" % scan["time"][:5], color="white")
    figure.savefig(sys.argv[2], format="jpeg", facecolor="black")


if __name__ == "__main__":
    main()
