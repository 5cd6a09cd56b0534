"""vqdf read, watch and write against a Modbus TCP server on 127.0.0.1 that holds the example
drive's registers, filled from its defaults (tests/modbus_server.py, another library than the
client's). The drive has no group 9, and its register 0x1000 (0/0) is read-only. Every wait is
bounded. Needs VQDF_PROGRAM, the path of vqdf."""
import json
import os
import socket
import subprocess
import sys
import threading
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[1]
EXAMPLE = str(ROOT / "examples" / "M1_1_05.json")


def vqdf(*arguments, timeout=20):
    return subprocess.run([os.environ["VQDF_PROGRAM"], *arguments], capture_output=True,
                          text=True, timeout=timeout)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def example_registers():
    dump = json.loads(vqdf("dump", EXAMPLE).stdout)
    offset = dump["DeviceInfo"]["KeypadCommOffset16"]
    registers = {}
    for group in dump["ParaSpec"]["Groups"]:
        if group["GroupNum"] != 9:
            for p in group["Parameters"]:
                registers[(offset + 256 * group["GroupNum"] + p["CodeNum"]) & 0xFFFF] = p["Def"] & 0xFFFF
    device, trips = dump["DeviceInfo"], dump["TripSpec"]
    registers.update({device["InvStatusCommAddr"]: 3, device["InvControlCommAddr"]: 1,
                      device["MotorStatusCommAddr"]: 0, trips["FirstTripAddr"]: 2,
                      trips["FirstWarnAddr"]: 0})
    for status in trips["TripStatusInfoData"] + trips["WarnStatusInfoData"]:
        registers[status["CommAddr"]] = 1234
    return registers


@pytest.fixture
def drive(tmp_path):
    """The port of a fresh server, stopped after the test."""
    registers = tmp_path / "registers.json"
    registers.write_text(json.dumps(example_registers()))
    port = free_port()
    server = subprocess.Popen([sys.executable, str(ROOT / "tests" / "modbus_server.py"), str(port),
                               str(registers), "0x1000"])
    try:
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
                break
            except OSError:
                time.sleep(0.05)
        else:
            pytest.fail("the test server did not start within 5 s")
        yield f"127.0.0.1:{port}"
    finally:
        server.terminate()
        server.wait(timeout=5)


def test_read_a_group_and_single_parameters(drive):
    group = vqdf("read", "--tcp", drive, "--group", "BAS", EXAMPLE)
    assert group.returncode == 0, group.stderr
    rows = [line.split() for line in group.stdout.splitlines()]
    assert len(rows) == 1 + 29
    assert rows[6] == ["1/5", "Rated", "Curr", "0x1105", "36", "3.6", "A"]
    single = vqdf("read", "--tcp", drive, "--param", "1/1", "--param", "0/14", "--json", EXAMPLE)
    values = [(r["parameter"], r["raw"], r["value"], r["in_range"]) for r in json.loads(single.stdout)]
    assert values == [("1/1", 0, "Linear", True), ("0/14", 3, "3.7 kW", True)]


def test_write_in_range_reads_back(drive):
    cases = [("1/0", "25", "= 25 (raw 25) to register 0x1100; read back 25"),
             ("1/1", "s-curve", "= S-curve (raw 1) to register 0x1101; read back S-curve"),
             ("1/5", "4.2", "= 4.2 A (raw 42) to register 0x1105; read back 4.2")]
    for param, value, reported in cases:
        wrote = vqdf("write", "--tcp", drive, EXAMPLE, param, value)
        assert (wrote.returncode, wrote.stderr) == (0, "")
        assert reported in wrote.stdout
    dry = vqdf("write", "--dry-run", EXAMPLE, "1/0", "30")
    assert dry.stdout == "would write 1/0 Jump Code = 30 (raw 30) to register 0x1100 of unit 1\n"
    read = json.loads(vqdf("read", "--tcp", drive, "--param", "1/0", "--json", EXAMPLE).stdout)
    assert read[0]["raw"] == 25


def test_refusals_name_their_reason_and_write_nothing(drive):
    cases = [("1/0", "100", "1/0 Jump Code = 100 is outside 1 to 99: nothing written"),
             ("1/1", "Sine", "1/1 Acc Pattern takes one of its value names, not \"Sine\""),
             ("1/5", "3.65", "1/5 Rated Curr takes a number with at most 1 decimals, not \"3.65\""),
             ("9/99", "1", "no parameter 9/99"),
             ("one", "1", "\"one\" names no parameter: give GROUP/CODE")]
    for param, value, reason in cases:
        refused = vqdf("write", "--tcp", drive, EXAMPLE, param, value)
        assert refused.returncode == 2 and reason in refused.stderr, refused.stderr
    read = json.loads(vqdf("read", "--tcp", drive, "--group", "1", "--json", EXAMPLE).stdout)
    assert [r["raw"] for r in read[:2]] == [20, 0]


def test_exception_responses_name_the_register(drive):
    missing = vqdf("read", "--tcp", drive, "--group", "9", EXAMPLE)
    assert missing.returncode == 1
    rows = missing.stdout.splitlines()[1:]
    assert len(rows) == 35 and all(row.endswith("answered: Illegal data address") for row in rows)
    read_only = vqdf("write", "--tcp", drive, EXAMPLE, "0/0", "5")
    assert read_only.returncode == 2
    assert f"not written to register 0x1000: {drive} answered: Slave device or server failure" \
        in read_only.stderr


def test_a_refused_connection_and_a_drive_that_never_answers():
    port = free_port()
    refused = vqdf("read", "--tcp", f"127.0.0.1:{port}", "--param", "1/0", EXAMPLE)
    assert refused.returncode == 2
    assert f"cannot connect to 127.0.0.1:{port}: Connection refused" in refused.stderr

    with socket.socket() as silent:
        silent.bind(("127.0.0.1", 0))
        silent.listen()
        held = []
        accepting = threading.Thread(target=lambda: held.append(silent.accept()[0]), daemon=True)
        accepting.start()
        started = time.monotonic()
        quiet = vqdf("read", "--tcp", f"127.0.0.1:{silent.getsockname()[1]}", "--timeout", "0.3",
                     "--retries", "1", "--param", "1/0", EXAMPLE)
        elapsed = time.monotonic() - started
        accepting.join(timeout=5)
        for connection in held:
            connection.close()
    assert quiet.returncode == 2
    assert "gave no answer within 0.3 s" in quiet.stderr
    assert 0.5 < elapsed < 5


def test_watch_prints_a_line_per_sample_off_a_terminal(drive):
    watch = vqdf("watch", "--tcp", drive, "--interval", "0.1", "--count", "3", "--param", "1/6",
                 EXAMPLE)
    assert watch.returncode == 0, watch.stderr
    lines = watch.stdout.splitlines()
    assert len(lines) == 3
    for line in lines:
        assert "status=0x0003  control=0x0001" in line
        assert "trip=2 Over Voltage  warning=0 None" in line
        assert "trip Output Freq=12.34 Hz" in line and "Noload Curr=1.6 A" in line
