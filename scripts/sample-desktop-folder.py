#!/usr/bin/env python3
# A program folder for the desktop programs' end-to-end runs and screenshots:
# a custom geoid grid around Tokyo (30..40 N, 130..145 E, every 0.25
# degrees), the settings file "orthelev.ini" choosing it from DATA_PATH (the
# folder as the program sees it, with its trailing separator), and two short
# NMEA logs, walk.nmea and flight.nmea (which leaves the grid).
# Usage: scripts/sample-desktop-folder.py FOLDER DATA_PATH
import struct, sys, functools, operator
work, data_path = sys.argv[1], sys.argv[2]
rows, cols, lat0, lon0, step = 41, 61, 30.0, 130.0, 0.25
with open(f"{work}/tokyo.cdat", "wb") as f:
    for r in range(rows):
        lat = lat0 + (rows - 1 - r) * step
        for c in range(cols):
            lon = lon0 + c * step
            f.write(struct.pack("<f", 20 + 0.5 * (lat - 30) + 0.3 * (lon - 130)))
    f.write(struct.pack("<iidddd", rows, cols, lat0, lon0, step, step))
with open(f"{work}/orthelev.ini", "w", newline="") as f:
    f.write(f"[Option]\r\nGeoidModel=Custom Geoid\r\nDataPath={data_path}\r\n"
            "[Custom Geoid]\r\nfname=tokyo.cdat\r\n")
def sentence(body):
    return "$%s*%02X\r\n" % (body, functools.reduce(operator.xor, body.encode(), 0))
for name, lats in (("walk.nmea", ["3540.1000", "3540.2000", "3540.3000"]),
                   ("flight.nmea", ["3540.1000", "4130.0000", "4131.0000", "3540.2000"])):
    with open(f"{work}/{name}", "w", newline="") as f:
        for i, lat in enumerate(lats):
            f.write(sentence(f"GPGGA,0930{i:02d}.00,{lat},N,13945.0000,E,1,09,0.9,45.300,M,39.4,M,,"))
