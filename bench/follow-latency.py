#!/usr/bin/env python3
"""Following a folder, measured from outside: a writer puts demo sweeps (360 rays x 1000 gates) into
a folder that `nimbrook --follow` and `nimbrook-convert --follow` watch.

  latency  N files, one a second: from the writer's close to the file on screen (the control
           socket's `status` names it; the step that opens a file draws it before it returns) and,
           in a second pass, to its picture written by the converter. Prints median and 90th
           percentile in ms.
  soak     a file every 2 s for MINUTES with --keep 12, the viewer and the converter following the
           same folder (the writer removes its files beyond the newest 100, as a radar's own
           clean-up would): resident memory and open descriptors of both at the start (after the
           first 12 files) and at the end.

Usage: bench/follow-latency.py BUILD_DIR latency [N] | soak [MINUTES]   (needs a display: xvfb-run -a)
"""
import glob, os, shutil, socket, statistics, subprocess, sys, tempfile, time

build = os.path.realpath(sys.argv[1])
mode = sys.argv[2]
viewer = os.path.join(build, "app", "nimbrook")
convert = os.path.join(build, "app", "nimbrook-convert")
synth = os.path.join(build, "tools", "synth", "nimbrook-synth")

work = tempfile.mkdtemp(prefix="nimbrook-follow-")
runtime = os.path.join(work, "runtime")
folder = os.path.join(work, "radar")
os.makedirs(runtime, mode=0o700)
os.makedirs(folder)
subprocess.run([synth, os.path.join(work, "data")], check=True, stdout=subprocess.DEVNULL)
sweeps = sorted(glob.glob(os.path.join(work, "data", "ppi", "*.scn")))
payloads = [open(path, "rb").read() for path in sweeps]
env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
written = []


def write(index):
    name = os.path.join(folder, "%08d_00.scn" % index)
    with open(name, "wb") as out:
        out.write(payloads[index % len(payloads)])
    closed = time.monotonic()
    written.append(name)
    while len(written) > 100:
        old = written.pop(0)
        for path in (old, old[:-4] + ".jpg"):
            if os.path.exists(path):
                os.remove(path)
    return name, closed


def status():
    client = socket.socket(socket.AF_UNIX)
    client.connect(os.path.join(runtime, "Nimbrook.socket"))
    client.sendall(b"status\n")
    reply = b""
    while not reply.endswith(b"\n"):
        reply += client.recv(4096)
    client.close()
    return reply.decode().strip()


def start_viewer(keep):
    process = subprocess.Popen([viewer, "--follow", folder, "--keep", str(keep)], env=env,
                               stderr=subprocess.DEVNULL)
    while not os.path.exists(os.path.join(runtime, "Nimbrook.socket")):
        time.sleep(0.05)
    time.sleep(1)
    return process


def start_converter():
    process = subprocess.Popen([convert, "--jobs", "1", "--follow", folder], env=env, cwd=work,
                               stderr=subprocess.DEVNULL)
    time.sleep(3)
    return process


def stop(process, how):
    how(process)
    process.wait(timeout=30)


def report(label, values):
    values = sorted(values)
    p90 = values[int(0.9 * (len(values) - 1))]
    print("%s: median %.0f ms, 90th percentile %.0f ms, max %.0f ms over %d files"
          % (label, statistics.median(values), p90, values[-1], len(values)))


def usage(process):
    with open("/proc/%d/status" % process.pid) as info:
        rss = next(line.split()[1] for line in info if line.startswith("VmRSS"))
    return int(rss), len(os.listdir("/proc/%d/fd" % process.pid))


def close_viewer(process):
    try:
        client = socket.socket(socket.AF_UNIX)
        client.connect(os.path.join(runtime, "Nimbrook.socket"))
        client.sendall(b"close\n")
        client.recv(100)
    except OSError:
        process.terminate()


try:
    if mode == "latency":
        count = int(sys.argv[3]) if len(sys.argv) > 3 else 50
        process = start_viewer(12)
        delays = []
        for index in range(count):
            name, closed = write(index)
            while not status().endswith("path=" + name):
                time.sleep(0.002)
            delays.append((time.monotonic() - closed) * 1000)
            time.sleep(1)
        stop(process, close_viewer)
        report("viewer: close to on screen", delays)
        for name in written:  # the converter's catch-up would take them first
            os.remove(name)
        written.clear()
        process = start_converter()
        delays = []
        for index in range(count, 2 * count):
            name, closed = write(index)
            log = os.path.join(work, "nimbrook.log")
            while not (os.path.exists(log) and name in open(log).read()):
                time.sleep(0.002)
            delays.append((time.monotonic() - closed) * 1000)
            time.sleep(1)
        stop(process, lambda p: p.terminate())
        report("converter: close to picture and log line", delays)
    else:
        minutes = float(sys.argv[3]) if len(sys.argv) > 3 else 60
        shown = start_viewer(12)
        converting = start_converter()
        begin = time.monotonic()
        index = 0
        while time.monotonic() - begin < minutes * 60:
            write(index)
            index += 1
            if index == 12:
                first = (usage(shown), usage(converting))
            time.sleep(2)
        time.sleep(3)
        last = (usage(shown), usage(converting))
        print("soak: %d files in %.1f min, --keep 12; last status: %s" % (index, minutes, status()))
        for label, a, b in (("viewer", first[0], last[0]), ("converter", first[1], last[1])):
            print("%s: resident %d -> %d KiB, descriptors %d -> %d" % (label, a[0], b[0], a[1], b[1]))
        stop(shown, close_viewer)
        stop(converting, lambda p: p.terminate())
finally:
    shutil.rmtree(work, ignore_errors=True)
