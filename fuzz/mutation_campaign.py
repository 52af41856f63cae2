#!/usr/bin/env python3
"""Mutation campaign: truncated and damaged copies of real traces through quenlix-report.

    fuzz/mutation_campaign.py [--copies N] [--timeout S] [--jobs J] [--out DIR] [--seed N]
                              [--build DIR] [--captures DIR]      (from the repository root)

The originals are the real captures (../shared/captures, not its damaged/ folder), the
bundled sample (samples/) and, when the build has quenlix-fuzz-seeds, one trace of every
format written by the test writers (the read_trace seeds with their selector byte taken
off). Each original is read once; only those read whole (exit 0) serve, grouped by the
format the report names. N copies are made per format, spread over its originals, half
of them cut short and half damaged (bytes flipped, a length-like field overwritten, a
block zeroed or zeros appended, a stretch repeated). Every copy is read with
`quenlix-report --json` under a time limit and put in one class:

  crash      the program died of a signal or a sanitizer reported an error;
  hang       the time limit passed;
  lost       the read ended as complete (exit 0) yet frames are missing:
             - a cut copy must keep the frames stored whole before the cut. For
               pcap, pcapng, plain Sniffer and Network Monitor the script finds the record
               boundaries in the original itself. For the other formats a cut copy read
               whole with fewer frames than the original is lost unless it was cut
               exactly between two records: that is taken to be so when the copy one
               byte shorter ends early (exit 1), as a cut inside the record before
               must, with the same frames or one fewer (the record before was a frame),
               or is refused (exit 2), as a cut inside the header must, when the copy
               kept no frame (it was cut between the header and the first record);
             - a damaged copy must read as many frames as the original, counting those the
               report says it passed over (SkippedFrames, SkippedRecords), unless the
               damage lies in the first 128 bytes (a header field may rightly describe a
               shorter trace there) or the damage appended bytes after the end;
             - a copy whose zeroed block runs to the end of the file is a shorter trace
               followed by zero padding, which formats that end in a record of zeros
               (or allow padding) cannot tell from a trace that ends there: it must keep
               at least the frames that the original cut where the zeros begin keeps;
  grown      the read ended as complete (exit 0) with more frames than the original
             after bytes were appended to it: what follows a trace's last record
             must not read as frames;
  wrong      the read ended early (exit 1) but kept other frames than the complete ones
             before the cut (cut copies of formats with known boundaries only; frames
             of another medium, which the report counts as skipped, count as kept);
  early-end  an honest early end: exit 1 (the read ended early and says why) or exit 2
             (nothing could be read, and the message says why);
  complete   exit 0 with every frame (a copy whose damage the analysis takes as data).

It prints the counts per class and per format, and keeps a reproducer of every crash,
hang, lost, grown and wrong run in OUT/<class>/ (the copy, named after its original and the
damage), with OUT/<class>/<name>.txt telling the original's frame count, the damage and
what the report said. OUT defaults to build-campaign/ and is emptied first.
"""

import argparse
import collections
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

HEADER_BYTES = 128  # damage inside the first bytes may rightly shorten a trace
BAD_CLASSES = ("crash", "hang", "lost", "grown", "wrong")


# ---- record boundaries of the formats the script can walk -----------------------------

def pcap_frame_ends(data):
    magic = data[:4]
    order = "<" if magic in (b"\xd4\xc3\xb2\xa1", b"\x4d\x3c\xb2\xa1") else ">"
    ends, at = [], 24
    while at + 16 <= len(data):
        captured = struct.unpack_from(order + "I", data, at + 8)[0]
        at += 16 + captured
        if at > len(data):
            break
        ends.append(at)
    return ends


def pcapng_frame_ends(data):
    ends, at, order = [], 0, "<"
    while at + 12 <= len(data):
        if data[at:at + 4] == b"\x0a\x0d\x0d\x0a":
            order = "<" if data[at + 8:at + 12] == b"\x4d\x3c\x2b\x1a" else ">"
        kind, length = struct.unpack_from(order + "II", data, at)
        if length < 12:
            break
        at += length
        if at > len(data):
            break
        if kind in (2, 3, 6):
            ends.append(at)
    return ends


def sniffer_frame_ends(data):
    ends, at = [], 17
    while at + 6 <= len(data):
        kind, length = struct.unpack_from("<HH", data, at)
        at += 6 + length
        if kind == 3 or at > len(data):
            break
        if kind & 0xFF in (4, 5, 12):
            ends.append(at)
    return ends


def netmon_frame_ends(data):
    table, length = struct.unpack_from("<ii", data, 24)
    entries = struct.unpack_from("<%dI" % (length // 4), data, table)
    return [e + 8 + struct.unpack_from("<H", data, e + 6)[0] for e in entries]


def frame_ends(fmt, data, name):
    """Where each frame record ends, or None when the script cannot tell for this format."""
    walkers = {"pcap": pcap_frame_ends, "pcapng": pcapng_frame_ends, "Network Monitor": netmon_frame_ends}
    if fmt == "Sniffer" and data[:17] == b"TRSNIFF data    \x1a" and not name.endswith(".caz"):
        walkers["Sniffer"] = sniffer_frame_ends
    walker = walkers.get(fmt)
    return walker(data) if walker else None


# ---- the copies -------------------------------------------------------------------------

def cut_copy(data, rng):
    cut = rng.randrange(1, len(data))
    return data[:cut], "cut-%d" % cut, {"cut": cut}


def damaged_copy(data, rng):
    data = bytearray(data)
    kind = rng.choice(["flip", "field", "zeros", "tail", "repeat"])
    at = rng.randrange(len(data))
    if kind == "flip":
        spots = sorted(rng.randrange(len(data)) for _ in range(rng.randint(1, 8)))
        for spot in spots:
            data[spot] ^= 1 << rng.randrange(8)
        return bytes(data), "flip-%d" % spots[0], {"first": spots[0]}
    if kind == "field":
        width = rng.choice([2, 4])
        value = rng.choice([0, 1, 3, 0x40, 0xFFFF, 0xFFFFFFFF, rng.getrandbits(8 * width)])
        value &= (1 << 8 * width) - 1
        at = min(at, len(data) - width)
        data[at:at + width] = value.to_bytes(width, rng.choice(["little", "big"]))
        return bytes(data), "field-%d" % at, {"first": at}
    if kind == "zeros":
        size = rng.choice([16, 512, 4096])
        data[at:at + size] = bytes(len(data[at:at + size]))
        return bytes(data), "zeros-%d" % at, {"first": at, "zeros_to_end": at + size >= len(data)}
    if kind == "tail":
        size = rng.choice([16, 4096, 1 << 20])
        return bytes(data) + bytes(size), "tail-%d" % size, {"first": len(data), "appended": True}
    size = rng.choice([8, 64, 1000])
    return bytes(data[:at + size]) + bytes(data[at:]), "repeat-%d" % at, {"first": at}


# ---- running the report -----------------------------------------------------------------

def run_report(report, path, timeout):
    """(class of the end, frames read, skipped, format name, stderr) of one read."""
    try:
        done = subprocess.run([report, "--json", path], capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return "hang", None, 0, None, ""
    err = done.stderr.decode("utf-8", "replace")
    if done.returncode < 0 or "Sanitizer" in err or "runtime error" in err:
        return "crash", None, 0, None, err
    frames, skipped, fmt = None, 0, None
    if done.returncode in (0, 1):
        try:
            report_json = json.loads(done.stdout)
            read = report_json["Read"]
            frames = read["Frame"] - (1 if read["End"] == "ended early" else 0)
            skipped = read.get("SkippedFrames", 0) + read.get("SkippedRecords", 0)
            fmt = report_json.get("FileAttributes", {}).get("Analyzer")
        except (ValueError, KeyError, TypeError):
            return "crash", None, 0, None, "unreadable report output\n" + err
    return done.returncode, frames, skipped, fmt, err


def classify(outcome, original, copy):
    status, frames, skipped, _, err = outcome
    if status in ("hang", "crash"):
        return status
    expected = copy.get("expected")
    if status == 2:
        return "early-end"
    if status == 1:
        return "wrong" if expected is not None and frames + skipped != expected else "early-end"
    if "cut" in copy:
        return "lost" if frames + skipped < (original["frames"] if expected is None else expected) else "complete"
    if copy.get("appended"):
        return "grown" if frames + skipped > original["frames"] else "complete"
    if copy["first"] < HEADER_BYTES:
        return "complete"
    return "lost" if frames + skipped < original["frames"] else "complete"


# ---- the originals ----------------------------------------------------------------------

def writer_traces(seeds_tool, folder):
    """The test writers' traces of every format, from the read_trace seeds."""
    if not os.access(seeds_tool, os.X_OK):
        print("note: %s not built: no writer traces (build target quenlix-fuzz-seeds)" % seeds_tool)
        return []
    seeds = os.path.join(folder, "seeds")
    subprocess.run([seeds_tool, seeds], check=True, capture_output=True)
    traces = []
    for name in sorted(os.listdir(os.path.join(seeds, "read_trace"))):
        if not name.startswith("writer-") or name.endswith("-table.bin"):
            continue
        trace_name = name[:-len(".bin")].split("-", 2)[2]
        with open(os.path.join(seeds, "read_trace", name), "rb") as f:
            data = f.read()
        data = data[2:] if trace_name.endswith(".bfr") else data[1:]  # selector (and table size) byte
        path = os.path.join(folder, name[:-len(".bin")].replace("writer-", "writer", 1))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        traces.append(path)
    return traces


def originals(args, scratch):
    paths = []
    for folder in (args.captures, "samples"):
        if os.path.isdir(folder):
            paths += [os.path.join(folder, n) for n in sorted(os.listdir(folder))
                      if os.path.isfile(os.path.join(folder, n)) and not n.endswith(".md")]
    paths += writer_traces(os.path.join(args.build, "bin", "quenlix-fuzz-seeds"), os.path.join(scratch, "writers"))
    report = os.path.join(args.build, "bin", "quenlix-report")
    by_format = collections.defaultdict(list)
    for path in paths:
        status, frames, skipped, fmt, _ = run_report(report, path, args.timeout * 4)
        if status != 0 or not frames:
            print("note: %s is not read whole (%s): left out" % (path, status))
            continue
        with open(path, "rb") as f:
            data = f.read()
        # Frames counted as the copies' are: those the report passed over included.
        by_format[fmt or "unknown"].append({"path": path, "data": data, "frames": frames + skipped, "format": fmt})
    return by_format


# ---- the campaign -----------------------------------------------------------------------

def make_copies(by_format, count, rng, folder):
    copies = []
    for fmt, members in sorted(by_format.items()):
        for k in range(count):
            original = members[k // 2 % len(members)]  # each original gets cut and damaged copies
            maker = cut_copy if k % 2 == 0 else damaged_copy
            data, label, copy = maker(original["data"], rng)
            if "cut" in copy:
                ends = frame_ends(fmt, original["data"], original["path"])
                if ends is not None:
                    copy["expected"] = sum(1 for end in ends if end <= copy["cut"])
            base = os.path.basename(original["path"])
            copy.update(original=original, label=label, format=fmt,
                        path=os.path.join(folder, "%s-%04d-%s%s" % (os.path.splitext(base)[0], k, label,
                                                                     os.path.splitext(base)[1])))
            with open(copy["path"], "wb") as f:
                f.write(data)
            copies.append(copy)
    return copies


def cut_between_records(report, copy, outcome, timeout):
    """Whether a cut copy of a format without a walker ends exactly after a record."""
    shorter = copy["path"] + ".shorter" + os.path.splitext(copy["path"])[1]
    with open(shorter, "wb") as f:
        f.write(copy["original"]["data"][:copy["cut"] - 1])
    status, frames, skipped, _, _ = run_report(report, shorter, timeout)
    kept = outcome[1] + outcome[2]
    if status == 2:  # cut inside the header: the copy must be the header alone
        return kept == 0
    return status == 1 and 0 <= kept - (frames + skipped) <= 1


def keeps_frames_before_zeros(report, copy, outcome, timeout):
    """Whether a copy zeroed to the end of the file keeps the frames of the original cut where the zeros begin."""
    shorter = copy["path"] + ".before-zeros" + os.path.splitext(copy["path"])[1]
    with open(shorter, "wb") as f:
        f.write(copy["original"]["data"][:copy["first"]])
    _, frames, skipped, _, _ = run_report(report, shorter, timeout)
    return outcome[1] + outcome[2] >= (frames or 0) + skipped


def keep_reproducer(out, verdict, copy, outcome):
    folder = os.path.join(out, verdict)
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, os.path.basename(copy["path"]))
    shutil.copyfile(copy["path"], target)
    status, frames, skipped, _, err = outcome
    with open(target + ".txt", "w") as f:
        f.write("original %s: %d frames\ndamage %s, expected frames %s\nexit %s, frames %s, skipped %s\n%s" % (
            copy["original"]["path"], copy["original"]["frames"], copy["label"], copy.get("expected"),
            status, frames, skipped, err))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--copies", type=int, default=100, help="copies per format (default 100)")
    parser.add_argument("--timeout", type=float, default=10, help="seconds per read (default 10)")
    parser.add_argument("--jobs", type=int, default=2, help="reads at a time (default 2)")
    parser.add_argument("--out", default="build-campaign", help="folder of the reproducers")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--build", default="build-core", help="build folder with bin/quenlix-report")
    parser.add_argument("--captures", default="../shared/captures", help="folder of the real captures")
    args = parser.parse_args()

    report = os.path.join(args.build, "bin", "quenlix-report")
    if not os.access(report, os.X_OK):
        sys.exit("%s not found: build the target quenlix-report first" % report)
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    rng = random.Random(args.seed)
    with tempfile.TemporaryDirectory(prefix="quenlix-campaign-") as scratch:
        by_format = originals(args, scratch)
        copies = make_copies(by_format, args.copies, rng, scratch)
        with ThreadPoolExecutor(max_workers=args.jobs) as pool:
            outcomes = list(pool.map(lambda c: run_report(report, c["path"], args.timeout), copies))
        counts = collections.Counter()
        per_format = collections.defaultdict(collections.Counter)
        for copy, outcome in zip(copies, outcomes):
            verdict = classify(outcome, copy["original"], copy)
            if verdict == "lost" and "cut" in copy and "expected" not in copy and \
                    cut_between_records(report, copy, outcome, args.timeout):
                verdict = "complete"
            if verdict == "lost" and copy.get("zeros_to_end") and \
                    keeps_frames_before_zeros(report, copy, outcome, args.timeout):
                verdict = "complete"
            counts[verdict] += 1
            per_format[copy["format"]][verdict] += 1
            if verdict in BAD_CLASSES:
                keep_reproducer(args.out, verdict, copy, outcome)

    classes = ("crash", "hang", "lost", "grown", "wrong", "early-end", "complete")
    print("%-22s" % "format" + "".join("%10s" % c for c in classes))
    for fmt in sorted(per_format):
        print("%-22s" % fmt + "".join("%10d" % per_format[fmt][c] for c in classes))
    print("%-22s" % "all" + "".join("%10d" % counts[c] for c in classes))
    bad = sum(counts[c] for c in BAD_CLASSES)
    if bad:
        print("reproducers of %d bad runs in %s/" % (bad, args.out))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
