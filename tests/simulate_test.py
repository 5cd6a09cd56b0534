"""vqdf simulate, the stand-in for the example drive, checked by a client that is not ours
(Debian's python3-pymodbus), then by vqdf's own drive commands end to end: over TCP on a free
port of 127.0.0.1 that each test checks is its own, and over RTU on a pair of pseudo-terminals.
Every wait is bounded. Needs VQDF_PROGRAM, the path of vqdf."""
import json
import os
import random
import select
import signal
import subprocess
import threading
import time
import tty
from pathlib import Path

import pytest
from pymodbus.client import ModbusSerialClient, ModbusTcpClient
from pymodbus.pdu import ExceptionResponse

ROOT = Path(__file__).resolve().parents[1]
EXAMPLE = str(ROOT / "examples" / "M1_1_05.json")
ACC_TIME = 0x1003  # 0/3, 0.0 to 6000.0 sec, one decimal: the token of each test's stand-in
MODEL, TRIP, WARNING, SAVE = 0x0300, 0x0330, 0x0334, 0x03E0
ILLEGAL_ADDRESS, ILLEGAL_VALUE = 2, 3


def run(*arguments, timeout=20, **options):
    return subprocess.run([os.environ["VQDF_PROGRAM"], *map(str, arguments)],
                          capture_output=True, text=True, timeout=timeout, **options)


def exception_code(answer):
    return answer.exception_code if isinstance(answer, ExceptionResponse) else None


def wait_for(condition, seconds=5):
    """Whether the condition comes true within the time given, looked at every 20 ms."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.02)
    return condition()


class StandIn:
    """`vqdf simulate` of the example on a free port, with Acc Time set to a token of the test's
    own, which the client reads to know the server is this test's; stopped with SIGTERM."""

    def __init__(self, *options):
        self.token = random.randrange(1, 60001)
        self.process = subprocess.Popen(
            [os.environ["VQDF_PROGRAM"], "--verbose", "simulate", "--tcp", "127.0.0.1:0",
             "--set", f"0/3={self.token // 10}.{self.token % 10}", *map(str, options), EXAMPLE],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        ready = threading.Timer(10, self.process.kill)
        ready.start()
        first = self.process.stdout.readline().split()
        ready.cancel()
        assert first[:2] == ["listening", "on"], "the stand-in did not say where it listens"
        host, port = first[2].rsplit(":", 1)
        assert host == "127.0.0.1"
        self.port = int(port)
        self.place = first[2]
        self.client = ModbusTcpClient("127.0.0.1", port=self.port, timeout=2)
        assert self.read(ACC_TIME) == [self.token], f"{self.place} is not this test's stand-in"

    def read(self, address, count=1):
        answer = self.client.read_holding_registers(address, count)
        return answer.registers if not answer.isError() else exception_code(answer)

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def stop(self):
        self.client.close()
        self.process.send_signal(signal.SIGTERM)
        _, err = self.process.communicate(timeout=5)
        return self.process.returncode, err


@pytest.fixture
def stand_in():
    started = []

    def start(*options):
        started.append(StandIn(*options))
        return started[-1]
    yield start
    for server in started:
        if server.process.poll() is None:
            server.stop()


def raw(value):
    return value & 0xFFFF


def file_registers(token):
    """The registers the example's records give, by the address formulas of the format: the
    16-bit base plus 256 times the group plus the code; the 32-bit base plus twice 128 times the
    group plus the code, high half first."""
    dump = json.loads(run("dump", EXAMPLE).stdout)
    device = dump["DeviceInfo"]
    base16, base32 = device["KeypadCommOffset16"], dump["ExtendSpec"]["KeypadCommOffset32"]
    registers = {device["ModelNoCommAddr"]: device["ModelNo"]}
    for group in dump["ParaSpec"]["Groups"]:
        for p in group["Parameters"]:
            g, c = group["GroupNum"], p["CodeNum"]
            address16 = (base16 + 256 * g + c) % 65536
            default = token if address16 == ACC_TIME else p["Def"]
            registers.setdefault(address16, raw(default))
            address32 = (base32 + 2 * (128 * g + c)) % 65536
            registers.setdefault(address32, raw(default >> 16))
            registers.setdefault(address32 + 1, raw(default))
    return registers


def test_every_register_holds_what_the_file_says(stand_in):
    server = stand_in()
    expected = file_registers(server.token)
    for address, value in sorted(expected.items()):
        assert server.read(address) == [value], hex(address)
    # In one request, a run of consecutive registers up to the most a request may ask for.
    assert server.read(0x1000, 5) == [expected[0x1000 + k] for k in range(5)]
    code, err = server.stop()
    assert code == 0
    assert err.endswith(f"stopped after {len(expected) + 2} requests, 0 to the save register\n")


# A request, and the exception it gets (None: taken), with what it must leave the register at.
REFUSALS = [
    ("read", 0x1005, 1, ILLEGAL_ADDRESS),           # group 0 has no code 5
    ("read", 0x1004, 2, ILLEGAL_ADDRESS),           # a run that reaches it
    ("read", 0x1000, 126, ILLEGAL_VALUE),           # more than a request may ask for
    ("write", ACC_TIME, [60000], None),             # the maximum
    ("write", ACC_TIME, [60001], ILLEGAL_VALUE),    # one past it
    ("write", 0x1002, [raw(-1800)], None),          # Torque Command's minimum, signed
    ("write", 0x1002, [raw(-1801)], ILLEGAL_VALUE),
    ("write", 0x1006, [5], None),                   # Cmd Source's last named value
    ("write", 0x1006, [6], ILLEGAL_VALUE),
    ("write", MODEL, [7], ILLEGAL_ADDRESS),         # the drive reports it only
    ("write", 0x1005, [0], ILLEGAL_ADDRESS),
    ("write", 0x1003, [100, 60001], ILLEGAL_VALUE),  # one value refused refuses both
    ("write", 0x2006, [0, 60000], None),            # Acc Time by its 32-bit registers
    ("write", 0x2006, [1, 0], ILLEGAL_VALUE),       # 65536
]


@pytest.mark.parametrize("function, address, values, refusal", REFUSALS)
def test_what_the_file_does_not_allow_gets_the_exception_a_drive_gives(
        stand_in, function, address, values, refusal):
    server = stand_in()
    if function == "read":
        answer = server.client.read_holding_registers(address, values)
    else:
        answer = server.client.write_registers(address, values)
    assert exception_code(answer) == refusal
    if function == "write":
        held = server.read(address, len(values))
        if refusal is None:
            assert held == values
        elif held != ILLEGAL_ADDRESS:
            assert held != values
    # A write through either address of a parameter is seen through both.
    acc = server.read(ACC_TIME)[0]
    assert server.read(0x2006, 2) == [0, acc]


def test_saves_are_counted_and_commands_change_what_the_drive_reports(stand_in):
    server = stand_in()
    for _ in range(3):
        assert not server.client.write_register(SAVE, 1).isError()
    server.command('trip "over voltage"')
    server.command("warning 3")
    server.command('set "Output Freq" 50.5')
    server.command("set 1/5 4.2")
    server.command("no such command")
    assert wait_for(lambda: server.read(0x1105) == [42])
    assert server.read(TRIP) == [2] and server.read(WARNING) == [3]
    assert server.read(0x0341) == [5050] and server.read(0x0351) == [5050]
    server.command("clear")
    assert wait_for(lambda: server.read(TRIP) == [0])
    assert server.read(WARNING) == [0]
    code, err = server.stop()
    assert code == 0
    assert 'vqdf: unknown command "no such command"' in err
    assert err.endswith("3 to the save register\n")


def test_a_script_takes_its_steps_at_their_times(stand_in, tmp_path):
    script = tmp_path / "steps.txt"
    script.write_text("# a trip, then none\n0.3 trip 5\n\n1.0 clear\n")
    server = stand_in("--script", script)
    seen, deadline = [0], time.monotonic() + 5
    while seen != [0, 5, 0] and time.monotonic() < deadline:
        trip = server.read(TRIP)[0]
        if trip != seen[-1]:
            seen.append(trip)
        time.sleep(0.02)
    assert seen == [0, 5, 0]


@pytest.mark.parametrize("arguments, error", [
    (["--tcp", "127.0.0.1:65536"], "--tcp takes [HOST:]PORT"),
    (["--tcp", "0", "--set", "0/3=6000.1"], "--set 0/3=6000.1: 0/3: 6000.1 is outside"),
    (["--tcp", "0", "--set", "0/3"], "--set takes GROUP/CODE=VALUE"),
    (["--tcp", "0", "--rtu", "/dev/null"], "give --tcp [HOST:]PORT or --rtu DEVICE"),
    (["--rtu", "/nonexistent/tty"], "/nonexistent/tty:"),
])
def test_what_cannot_be_served_is_said_with_status_2(arguments, error):
    done = run("simulate", *arguments, EXAMPLE)
    assert done.returncode == 2
    assert done.stdout == ""
    assert error in done.stderr


def test_a_bad_script_line_is_named_before_serving(tmp_path):
    script = tmp_path / "steps.txt"
    script.write_text("0.5 trip 1\n0.2 clear\n")
    done = run("simulate", "--tcp", "0", "--script", script, EXAMPLE)
    assert done.returncode == 2
    assert done.stderr == f"vqdf: error: {script}:2: the steps go in the order of their times\n"


def test_vqdf_reads_watches_and_writes_the_stand_in(stand_in):
    server = stand_in()
    read = run("read", "--tcp", server.place, "--json", "--group", "0", EXAMPLE)
    assert read.returncode == 0, read.stderr
    values = {r["parameter"]: r["raw"] for r in json.loads(read.stdout)}
    assert values["0/3"] == server.token
    written = run("write", "--tcp", server.place, EXAMPLE, "0/6", "PLC")
    assert written.returncode == 0 and "read back PLC" in written.stdout, written.stderr
    refused = run("write", "--tcp", server.place, EXAMPLE, "0/6", "6")
    assert refused.returncode == 2 and server.read(0x1006) == [5]
    server.command('trip "Over Heat"')
    assert wait_for(lambda: server.read(TRIP) == [7])
    watched = run("watch", "--tcp", server.place, "--json", "--count", "1", EXAMPLE)
    assert watched.returncode == 0, watched.stderr
    assert json.loads(watched.stdout)["trip"] == "7 Over Heat"


class PseudoTerminalPair:
    """Two pseudo-terminals joined back to back, as a null-modem cable joins two serial ports:
    what is written to one is read from the other. Joined by a thread until closed."""

    def __init__(self):
        self.ends = []
        self.masters = []
        for _ in range(2):
            master, slave = os.openpty()
            tty.setraw(slave)
            self.masters.append(master)
            self.ends.append((slave, os.ttyname(slave)))
        self.running = True
        self.thread = threading.Thread(target=self.join, daemon=True)
        self.thread.start()

    def join(self):
        deadline = time.monotonic() + 60
        while self.running and time.monotonic() < deadline:
            ready, _, _ = select.select(self.masters, [], [], 0.05)
            for k, master in enumerate(self.masters):
                if master in ready:
                    try:
                        os.write(self.masters[1 - k], os.read(master, 4096))
                    except OSError:
                        return

    def close(self):
        self.running = False
        self.thread.join(timeout=5)
        for fd in self.masters + [slave for slave, _ in self.ends]:
            os.close(fd)


def test_over_rtu_on_a_pseudo_terminal_pair():
    pair = PseudoTerminalPair()
    process = subprocess.Popen(
        [os.environ["VQDF_PROGRAM"], "simulate", "--rtu", pair.ends[0][1], "--unit", "5",
         "--set", "0/3=123.4", EXAMPLE], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        stdin=subprocess.DEVNULL, text=True)
    try:
        ready = threading.Timer(10, process.kill)
        ready.start()
        assert process.stdout.readline() == f"answering on {pair.ends[0][1]}\n"
        ready.cancel()
        client = ModbusSerialClient(pair.ends[1][1], baudrate=9600, timeout=2)
        assert client.connect()
        assert client.read_holding_registers(ACC_TIME, 1, slave=5).registers == [1234]
        answer = client.write_register(ACC_TIME, 60001, slave=5)
        assert exception_code(answer) == ILLEGAL_VALUE
        client.close()
        read = run("read", "--rtu", pair.ends[1][1], "--unit", "5", "--param", "0/3", "--json",
                   EXAMPLE)
        assert read.returncode == 0, read.stderr
        assert json.loads(read.stdout)[0]["raw"] == 1234
        process.send_signal(signal.SIGINT)
        assert process.wait(timeout=5) == 0
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=5)
        pair.close()
