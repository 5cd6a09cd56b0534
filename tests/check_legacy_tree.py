#!/usr/bin/python3
"""Reads a legacy ".inv" data file with olefile, a reader independent of ours, and checks that its
storages and streams are the ones the format names, with the sizes that the file's own counts
call for. Usage: check_legacy_tree.py FILE GROUPS PARAMETERS MESSAGES"""
import struct
import sys

import olefile

SECTIONS = ["Device Spec", "IO Spec", "Trip Spec", "Message Spec", "Common Spec",
            "Parameter Spec", "Init Order"]


def main():
    path, groups, parameters, messages = sys.argv[1], *map(int, sys.argv[2:5])
    ole = olefile.OleFileIO(path)
    problems = []

    def stream(name):
        return ole.openstream(name).read() if ole.exists(name) else None

    def ints(name, count, offset=0):
        return list(struct.unpack_from("<%di" % count, stream(name), offset))

    def expect_size(name, size):
        if size == 0 and not ole.exists(name):
            return
        actual = ole.get_size(name) if ole.exists(name) else None
        if actual != size:
            problems.append("%s: %s bytes, expected %d" % (name, actual, size))

    roots = sorted(entry[0] for entry in ole.listdir(streams=False, storages=True)
                   if len(entry) == 1)
    if roots != sorted(SECTIONS):
        problems.append("root storages %s" % roots)

    expect_size("Device Spec/Device Info", 100)
    expect_size("Device Spec/Diag Number", 4 * max(ints("Device Spec/Device Info", 1, 72)[0], 0))

    counts = ints("IO Spec/IO Info", 6)
    expect_size("IO Spec/IO Info", 32)
    expect_size("IO Spec/Terminal Info", 36 * (max(counts[0], 0) + max(counts[3], 0)))
    expect_size("IO Spec/IO Func Msg Title", 30 * (max(counts[2], 0) + max(counts[5], 0)))

    trip = ints("Trip Spec/Trip Info", 8)
    expect_size("Trip Spec/Trip Info", 32)
    expect_size("Trip Spec/Trip Name", 30 * (trip[0] + trip[4]))
    expect_size("Trip Spec/Comm Addr", 4 * (trip[2] + trip[6]))
    expect_size("Trip Spec/Trip Info Data", 56 * (trip[3] + trip[7]))

    message_count = ints("Message Spec/Total Message", 1)[0]
    title_counts = ints("Message Spec/Msg Title Num", message_count)
    expect_size("Message Spec/Msg Title", 30 * sum(max(c, 0) for c in title_counts))
    if message_count != messages:
        problems.append("%d messages, expected %d" % (message_count, messages))

    common_count = ints("Common Spec/Total Common", 1)[0]
    expect_size("Common Spec/Common Info", 72 * common_count)

    group_count = ints("Parameter Spec/Total Group", 1)[0]
    total = 0
    for n in range(group_count):
        info = "Parameter Spec/Group-%d/Group Info" % n
        expect_size(info, 24)
        count = ints(info, 1, 20)[0]
        expect_size("Parameter Spec/Group-%d/Parameter" % n, 100 * count)
        total += count
    if (group_count, total) != (groups, parameters):
        problems.append("%d groups of %d parameters, expected %d of %d"
                        % (group_count, total, groups, parameters))

    order_count = ints("Init Order/Total Init Order", 1)[0]
    expect_size("Init Order/Init Order Para Addr", 4 * order_count)

    streams = ole.listdir(streams=True, storages=False)
    print("%s: %d streams in %d group storages" % (path, len(streams), group_count))
    for problem in problems:
        print("problem: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
