#!/usr/bin/env python3
"""Yardstick for nimbrook-convert --to cfradial|odim: a straightforward NumPy + netCDF4-python / h5py
conversion of a folder of scan files (80-byte header layout) in one process, with the converter's
compression (shuffle and deflate level 1, chunks of whole rays up to 1 MB). It writes the same
fields, angles and quality words; it is a measure of speed, not a second implementation to use.

Usage: open-formats-yardstick.py cfradial|odim IN_DIR OUT_DIR
"""
import os
import struct
import sys

import h5py
import netCDF4
import numpy as np

FIELDS = ["RATE", "DBZH", "VRADH", "ZDR", "KDP", "PHIDP", "RHOHV", "WRADH"]
SCALING = [(0.01, -327.68)] * 5 + [(360 / 65535, -32768 * 360 / 65535), (2 / 65534, -2 / 65534), (0.01, -0.01)]


def read_scan(path):
    data = open(path, "rb").read()
    header_length = struct.unpack_from("<H", data, 0)[0]
    rays, gates, spacing_cm = struct.unpack_from("<HHH", data, 42)
    mask = struct.unpack_from("<H", data, 74)[0]
    time = struct.unpack_from("<6H", data, 62)
    arrays = [bit for bit in range(9) if mask >> bit & 1]
    record_words = 3 + 1 + len(arrays) * gates
    body = np.frombuffer(data, dtype="<u2", offset=header_length, count=rays * record_words)
    body = body.reshape(rays, record_words)
    azimuth = body[:, 1] * 0.01
    elevation = body[:, 2].view("<i2") * 0.01
    codes = body[:, 4:].reshape(rays, len(arrays), gates)
    return dict(time=time, rays=rays, gates=gates, spacing=spacing_cm * 0.01, azimuth=azimuth,
                elevation=elevation, arrays={bit: codes[:, i, :] for i, bit in enumerate(arrays)})


def chunk(scan):
    return (max(1, min(scan["rays"], (1 << 20) // (2 * scan["gates"]))), scan["gates"])


def write_cfradial(scan, path):
    with netCDF4.Dataset(path, "w", format="NETCDF4") as nc:
        nc.Conventions = "CF/Radial"
        nc.version = "1.4"
        nc.createDimension("time", scan["rays"])
        nc.createDimension("range", scan["gates"])
        nc.createDimension("sweep", 1)
        start = "%04d-%02d-%02dT%02d:%02d:%02dZ" % scan["time"]
        time = nc.createVariable("time", "f8", ("time",))
        time.units = "seconds since " + start
        time[:] = 0.0
        nc.createVariable("range", "f4", ("range",))[:] = np.arange(scan["gates"]) * scan["spacing"]
        nc.createVariable("azimuth", "f4", ("time",))[:] = scan["azimuth"]
        nc.createVariable("elevation", "f4", ("time",))[:] = scan["elevation"]
        for bit, codes in scan["arrays"].items():
            name = FIELDS[bit] if bit < 8 else "QUALITY"
            var = nc.createVariable(name, "u2", ("time", "range"), zlib=True, complevel=1, shuffle=True,
                                    chunksizes=chunk(scan), fill_value=0 if bit < 8 else False)
            if bit < 8:
                var.scale_factor, var.add_offset = SCALING[bit]
            var.set_auto_maskandscale(False)
            var[:] = codes


def write_odim(scan, path):
    order = np.argsort(scan["azimuth"], kind="stable")
    with h5py.File(path, "w") as h5:
        h5.attrs["Conventions"] = np.bytes_("ODIM_H5/V2_3")
        h5.create_group("what").attrs["object"] = np.bytes_("SCAN")
        where = h5.create_group("dataset1/where")
        where.attrs["nbins"] = np.int64(scan["gates"])
        where.attrs["nrays"] = np.int64(scan["rays"])
        where.attrs["rscale"] = scan["spacing"]
        where.attrs["a1gate"] = np.int64(np.nonzero(order == 0)[0][0])
        how = h5.create_group("dataset1/how")
        how.attrs["startazA"] = scan["azimuth"][order]
        how.attrs["elangles"] = scan["elevation"][order]
        number = 0
        for bit, codes in scan["arrays"].items():
            if bit < 8:
                number += 1
                group = h5.create_group("dataset1/data%d" % number)
                group.create_group("what").attrs["gain"], group["what"].attrs["offset"] = SCALING[bit]
            else:
                group = h5.create_group("dataset1/quality1")
            group.create_dataset("data", data=codes[order], chunks=chunk(scan), shuffle=True,
                                 compression="gzip", compression_opts=1)


def main():
    kind, source, target = sys.argv[1:4]
    write, extension = (write_cfradial, ".nc") if kind == "cfradial" else (write_odim, ".h5")
    os.makedirs(target, exist_ok=True)
    for name in sorted(os.listdir(source)):
        if name.endswith(".scn"):
            write(read_scan(os.path.join(source, name)), os.path.join(target, name[:-4] + extension))


if __name__ == "__main__":
    main()
