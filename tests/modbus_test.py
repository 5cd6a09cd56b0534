"""vqdf read, watch and write against a Modbus TCP server on 127.0.0.1 written with another library
(tests/modbus_server.py, Debian's python3-pymodbus), which each test starts on a free port and
checks is its own before use. The drive is written here: one group of 250 parameters at
consecutive registers, with signed, unsigned, decimal and named values. Every wait is bounded.
Needs VQDF_PROGRAM, the path of vqdf."""
import json
import os
import random
import socket
import subprocess
import sys
import threading
import time
from pathlib import Path

import pytest
from pymodbus.client import ModbusTcpClient

ROOT = Path(__file__).resolve().parents[1]
EXAMPLE = str(ROOT / "examples" / "M1_1_05.json")
OFFSET = 0x1000
TOKEN_ADDRESS = 0x0010  # the model number register: the server's token
STATUS, CONTROL, TRIP, SAVE = 0x0020, 0x0021, 0x0030, 0x0040
# code: (Min, Max, decimal point, named), the rest 0 to 100.
LIMITS = {0: (-32768, 32767, 0, False), 1: (0, 65535, 0, False), 2: (1, 99, 0, False),
          3: (0, 2, 0, True), 4: (-500, 500, 2, False), 5: (0, 100000, 0, False)}


def vqdf(*arguments, timeout=20):
    return subprocess.run([os.environ["VQDF_PROGRAM"], *map(str, arguments)],
                          capture_output=True, text=True, timeout=timeout)


def write_drive(directory, model_no=1, init_order=()):
    """T_1_00.json: the test drive, with its titles document; the parameters of the init order by
    their ids, each code's id being the code plus one."""
    titles = [{"id": 1, "Text": "Low"}, {"id": 2, "Text": "Mid"}, {"id": 3, "Text": "High"},
              {"id": 4, "Text": "Param"}]
    parameters = []
    for code in range(250):
        low, high, point, named = LIMITS.get(code, (0, 100, 0, False))
        parameter = {"id": code + 1, "CodeNum": code, "Title::id": 4, "AtValue": str(code),
                     "Def": max(low, 0), "Max": high, "Min": low,
                     "DataType": 255 if named else 0, "Point32": point, "Attr": "0x0"}
        if named:
            parameter["Message::id"] = 0
        parameters.append(parameter)
    data = {"Units": [], "Messages": [{"id": 0, "TitleInfo": [{"Title::id": k} for k in (1, 2, 3)]}],
            "Device": {"ModelNo": model_no, "KeypadCommOffset16": f"0x{OFFSET:04X}",
                       "ParaSaveCommAddr": f"0x{SAVE:04X}",
                       "ModelNoCommAddr": f"0x{TOKEN_ADDRESS:04X}",
                       "InvStatusCommAddr": f"0x{STATUS:04X}",
                       "InvControlCommAddr": f"0x{CONTROL:04X}"},
            "IO": {}, "ParameterGroups": [{"GroupNum": 1, "Parameters": parameters}],
            "CommonParameters": [],
            "Trips": {"CurrentTrip": {"FirstTripAddr": f"0x{TRIP:04X}", "Message::id": 0}},
            "InitOrder": [{"Parameter::id": i} for i in init_order],
            "AdvUserSeq": {"BitPinTypes": [], "IOTypes": [], "Comments": [], "Groups": [],
                           "FunctionList": []}}
    path = directory / "T_1_00.json"
    path.write_text(json.dumps(data))
    (directory / "T_1_00_Title.json").write_text(json.dumps({"Titles": titles}))
    return str(path)


def address(code):
    return OFFSET + 256 + code


class Server:
    """A server of its own for a test: started on a free port that it reports, checked to hold
    the token this test gave it, and stopped afterwards."""

    def __init__(self, directory, registers, read_only=(), held=(), delay=0, port=0, refuse=(),
                 die_after=None):
        self.token = random.randrange(1, 0xFFFF)
        registers = {**registers, TOKEN_ADDRESS: self.token}
        (directory / "registers.json").write_text(json.dumps(registers))
        self.log = directory / "requests.log"
        options = [a for r in read_only for a in ("--read-only", str(r))]
        options += [a for h in held for a in ("--held", str(h))]
        options += ["--delay", str(delay), "--port", str(port)]
        options += [a for r in refuse for a in ("--refuse", str(r))]
        # The token check below is a request of its own.
        options += ["--die-after", str(die_after + 1)] if die_after is not None else []
        self.process = subprocess.Popen(
            [sys.executable, str(ROOT / "tests" / "modbus_server.py"),
             str(directory / "registers.json"), "--log", str(self.log), *options],
            stdout=subprocess.PIPE, text=True)
        ready = threading.Timer(10, self.process.kill)
        ready.start()
        port = self.process.stdout.readline().strip()
        ready.cancel()
        assert port.isdigit(), "the test server did not report its port within 10 s"
        self.place = f"127.0.0.1:{port}"
        client = ModbusTcpClient("127.0.0.1", port=int(port), timeout=2 + 2 * delay)
        try:
            answer = client.read_holding_registers(TOKEN_ADDRESS, 1)
            assert not answer.isError() and answer.registers == [self.token], \
                f"127.0.0.1:{port} is not this test's server"
        finally:
            client.close()
        self.log.write_text("")

    def requests(self):
        return [json.loads(line) for line in self.log.read_text().splitlines()]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=5)


@pytest.fixture
def serve(tmp_path):
    """Starts a server of the test's own with the registers given; stops it afterwards."""
    servers = []

    def start(registers, **options):
        servers.append(Server(tmp_path, registers, **options))
        return servers[-1]
    yield start
    for server in servers:
        server.stop()


@pytest.fixture
def drive(tmp_path):
    return write_drive(tmp_path)


def defaults():
    registers = {address(code): max(LIMITS.get(code, (0,))[0], 0) for code in range(250)}
    registers.update({STATUS: 3, CONTROL: 1, TRIP: 2})
    return registers


@pytest.mark.parametrize("codes, runs", [(124, [124]), (125, [125]), (126, [125, 1]),
                                         (250, [125, 125])])
def test_reads_go_in_runs_of_at_most_125_registers(drive, serve, codes, runs):
    server = serve(defaults())
    params = [a for code in range(codes) for a in ("--param", f"1/{code}")]
    read = vqdf("read", "--tcp", server.place, *params, "--json", drive)
    assert read.returncode == 0, read.stderr
    assert len(json.loads(read.stdout)) == codes
    assert [r["count"] for r in server.requests()] == runs


# A register's value as the parameter reads it: signed where the parameter can be negative.
READS = [(0, 0x7FFF, 32767, "32767", True), (0, 0x8000, -32768, "-32768", True),
         (0, 0xFFFF, -1, "-1", True), (1, 0x8000, 32768, "32768", True),
         (1, 0xFFFF, 65535, "65535", True), (2, 0, 0, "0", False), (2, 100, 100, "100", False),
         (3, 2, 2, "High", True), (3, 3, 3, "3", False), (4, 0xFE0C, -500, "-5.00", True),
         (4, 501, 501, "5.01", False)]


@pytest.mark.parametrize("code, register, raw, shown, inside", READS)
def test_register_values_read_signed_or_unsigned_and_against_their_limits(
        drive, serve, code, register, raw, shown, inside):
    server = serve({**defaults(), address(code): register})
    read = vqdf("read", "--tcp", server.place, "--param", f"1/{code}", "--json", drive)
    assert read.returncode == (0 if inside else 1), read.stderr
    row = json.loads(read.stdout)[0]
    assert (row["raw"], row["value"], row["in_range"]) == (raw, shown, inside)


# Each limit and one past it: what is inside is written and read back, what is not is refused
# before anything is sent.
WRITES = [(0, "-32768", 0x8000), (0, "32767", 0x7FFF), (0, "-32769", None), (0, "32768", None),
          (1, "0", 0), (1, "65535", 0xFFFF), (1, "-1", None), (1, "65536", None),
          (2, "1", 1), (2, "99", 99), (2, "0", None), (2, "100", None),
          (3, "low", 0), (3, "High", 2), (3, "2", 2), (3, "3", None), (3, "Top", None),
          (4, "-5", 0xFE0C), (4, "5.00", 500), (4, "5.01", None), (4, "-5.01", None),
          (4, "0.001", None), (4, "0x10", None), (4, "", None), (5, "65535", 0xFFFF),
          (5, "65536", None)]


@pytest.mark.parametrize("code, value, raw", WRITES)
def test_writes_at_each_limit_and_one_past(drive, serve, code, value, raw):
    server = serve(defaults())
    wrote = vqdf("write", "--tcp", server.place, drive, f"1/{code}", value)
    written = [r for r in server.requests() if "write" in r]
    if raw is None:
        assert wrote.returncode == 2 and written == [], wrote.stderr
    else:
        assert (wrote.returncode, wrote.stderr) == (0, ""), wrote.stderr
        assert written == [{"write": address(code), "values": [raw]}]


def test_a_value_the_drive_does_not_keep_is_not_clean_and_said_so(drive, serve):
    server = serve(defaults(), held=[address(2)])
    wrote = vqdf("write", "--tcp", server.place, drive, "1/2", "42")
    assert wrote.returncode == 1
    assert "read back 1" in wrote.stdout
    assert wrote.stderr == "vqdf: warning: 1/2 Param holds 1 after the write, not 42\n"


def test_a_late_answer_is_discarded_and_said_so(drive, serve):
    server = serve(defaults(), delay=0.8)
    late = vqdf("read", "--tcp", server.place, "--timeout", "0.5", "--retries", "1",
                "--param", "1/0", drive)
    assert late.returncode == 2
    assert late.stderr == f"vqdf: error: {server.place} gave no answer within 0.5 s; a late " \
                          "answer was discarded\n"
    patient = vqdf("read", "--tcp", server.place, "--timeout", "2", "--param", "1/0", "--json",
                   drive)
    assert patient.returncode == 0, patient.stderr
    assert json.loads(patient.stdout)[0]["raw"] == 0


def test_watch_goes_on_through_a_drive_that_stops_answering(drive, serve, tmp_path):
    server = serve(defaults())
    port = int(server.place.split(":")[1])
    watch = subprocess.Popen(
        [os.environ["VQDF_PROGRAM"], "watch", "--tcp", server.place, "--interval", "0.2",
         "--count", "12", "--timeout", "0.3", "--retries", "0", "--give-up", "20", "--json",
         "--param", "1/2", drive], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        first = watch.stdout.readline()
        server.stop()
        time.sleep(0.5)
        serve(defaults(), port=port)
        out, err = watch.communicate(timeout=30)
    finally:
        watch.kill()
    samples = [json.loads(line) for line in [first] + out.splitlines()]
    assert watch.returncode == 0, err
    assert len(samples) == 12
    assert all(sample["status"] == "0x0003" and sample["Param"] == "1" for sample in samples)
    assert all(sample["time"].endswith("Z") for sample in samples)
    assert "connecting again" in err and f"{server.place} answers again" in err


def test_watch_gives_up_after_the_time_given_and_writes_csv(drive, serve):
    server = serve(defaults())
    watch = subprocess.Popen(
        [os.environ["VQDF_PROGRAM"], "watch", "--tcp", server.place, "--interval", "0.2",
         "--timeout", "0.3", "--retries", "0", "--give-up", "1", "--csv", drive],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        header = watch.stdout.readline()
        row = watch.stdout.readline()
        server.stop()
        out, err = watch.communicate(timeout=30)
    finally:
        watch.kill()
    assert header.startswith("time,status,control,motor,trip,warning")
    assert row.count(",") == header.count(",") and ",0x0003," in row
    assert watch.returncode == 2 and "gave up after" in err


def test_refusals_of_the_drive_name_their_register(drive, serve):
    registers = defaults()
    del registers[address(7)]
    server = serve(registers, read_only=[address(5)])
    read = vqdf("read", "--tcp", server.place, "--param", "1/6", "--param", "1/7", "--param",
                "1/8", "--json", drive)
    assert read.returncode == 1
    rows = json.loads(read.stdout)
    assert [row["raw"] is None for row in rows] == [False, True, False]
    assert rows[1]["note"].endswith("answered: Illegal data address")
    # The run the drive refused is read again register by register.
    assert [r["count"] for r in server.requests()] == [3, 1, 1, 1]
    refused = vqdf("write", "--tcp", server.place, drive, "1/5", "5")
    assert refused.returncode == 2
    assert f"not written to register 0x{address(5):04X}: {server.place} answered: Slave device " \
           "or server failure" in refused.stderr


@pytest.mark.parametrize("arguments, reason", [
    (["1/250", "1"], "no parameter 1/250"),
    (["one", "1"], "\"one\" names no parameter: give GROUP/CODE"),
    (["1/3", "Top"], "1/3 Param takes one of its value names or its number, not \"Top\""),
    (["1/4", "0x10"], "1/4 Param takes a number with at most 2 decimals, not \"0x10\""),
    (["1/4", "1e1"], "1/4 Param takes a number with at most 2 decimals, not \"1e1\""),
])
def test_what_names_nothing_is_refused_before_connecting(drive, arguments, reason):
    refused = vqdf("write", "--tcp", "127.0.0.1:1", drive, *arguments)
    assert refused.returncode == 2 and reason in refused.stderr, refused.stderr


def test_a_refused_connection_and_a_drive_that_never_answers(drive):
    with socket.socket() as closed:
        closed.bind(("127.0.0.1", 0))
        port = closed.getsockname()[1]
    refused = vqdf("read", "--tcp", f"127.0.0.1:{port}", "--param", "1/0", drive)
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
                     "--retries", "1", "--param", "1/0", drive)
        elapsed = time.monotonic() - started
        accepting.join(timeout=5)
        for connection in held:
            connection.close()
    assert quiet.returncode == 2
    assert "gave no answer within 0.3 s" in quiet.stderr
    assert 0.5 < elapsed < 5


def example_registers():
    """The example drive's registers: its parameters at their defaults, a status, a trip."""
    dump = json.loads(vqdf("dump", EXAMPLE).stdout)
    offset = dump["DeviceInfo"]["KeypadCommOffset16"]
    registers = {(offset + 256 * g["GroupNum"] + p["CodeNum"]) & 0xFFFF: p["Def"] & 0xFFFF
                 for g in dump["ParaSpec"]["Groups"] for p in g["Parameters"]}
    device, trips = dump["DeviceInfo"], dump["TripSpec"]
    registers.update({device["InvStatusCommAddr"]: 3, device["InvControlCommAddr"]: 1,
                      device["MotorStatusCommAddr"]: 0, trips["FirstTripAddr"]: 2,
                      trips["FirstWarnAddr"]: 0})
    registers.update({s["CommAddr"]: 1234
                      for s in trips["TripStatusInfoData"] + trips["WarnStatusInfoData"]})
    return registers


def test_the_example_is_read_watched_and_written_as_the_readme_shows(serve):
    server = serve(example_registers())
    group = vqdf("read", "--tcp", server.place, "--group", "BAS", EXAMPLE)
    assert group.returncode == 0, group.stderr
    rows = [line.split() for line in group.stdout.splitlines()]
    assert len(rows) == 1 + 29 and rows[6] == ["1/5", "Rated", "Curr", "0x1105", "36", "3.6", "A"]
    wrote = vqdf("write", "--tcp", server.place, EXAMPLE, "1/1", "s-curve")
    assert "= S-curve (raw 1) to register 0x1101; read back S-curve" in wrote.stdout
    watch = vqdf("watch", "--tcp", server.place, "--interval", "0.1", "--count", "3", "--param",
                 "1/6", EXAMPLE)
    assert watch.returncode == 0, watch.stderr
    lines = watch.stdout.splitlines()
    assert len(lines) == 3
    for line in lines:
        assert "status=0x0003  control=0x0001" in line
        assert "trip=2 Over Voltage  warning=0 None" in line
        assert "trip Output Freq=12.34 Hz" in line and "Noload Curr=1.6 A" in line



# Commissioning: a drive of this test's own model number (its token), whose initialisation order
# puts codes 199, 4 and 2 first.
INIT_CODES = (199, 4, 2)


@pytest.fixture
def commissioned(tmp_path, serve):
    def start(**options):
        server = serve({**defaults(), SAVE: 0}, **options)
        drive = write_drive(tmp_path, model_no=server.token,
                            init_order=[code + 1 for code in INIT_CODES])
        return server, drive
    return start


def writes(server):
    return [(r["write"], r["values"]) for r in server.requests() if "write" in r]


def schema_checked(path):
    import jsonschema
    schema = json.loads(vqdf("schema", "--parameter-set").stdout)
    document = json.loads(Path(path).read_text())
    jsonschema.validate(document, schema)
    return document


def test_backup_restore_compare_come_round_writing_only_what_differs_in_order(
        commissioned, tmp_path):
    server, drive = commissioned()
    saved = tmp_path / "set.json"
    backup = vqdf("backup", "--tcp", server.place, drive, "-o", saved)
    assert backup.returncode == 0, backup.stderr
    document = schema_checked(saved)
    assert document["DriveModelNo"] == server.token and len(document["Parameters"]) == 250
    assert document["Parameters"][4] == {"Group": 1, "Code": 4, "Title": "Param",
                                         "Address": "0x1104", "Raw": 0, "Value": 0.00,
                                         "Unit": "", "Name": None}

    # Change a drawn handful of registers, within their limits, behind vqdf's back.
    changed = set(random.Random(server.token).sample(range(250), 12)) | set(INIT_CODES[1:])
    client = ModbusTcpClient("127.0.0.1", port=int(server.place.split(":")[1]), timeout=2)
    for code in changed:
        low, high = LIMITS.get(code, (0, 100))[:2]
        default = max(low, 0)
        client.write_register(address(code), (default + 1 if default < high else default - 1) & 0xFFFF)
    client.close()
    compared = vqdf("compare", "--tcp", server.place, drive, saved)
    assert compared.returncode == 1
    assert sorted(int(line.split()[0].split("/")[1]) for line in compared.stdout.splitlines()) == \
        sorted(changed)

    server.log.write_text("")
    restored = vqdf("restore", "--tcp", server.place, drive, saved)
    assert restored.returncode == 0, restored.stderr
    order = [a - address(0) for a, _ in writes(server)]
    first = [c for c in INIT_CODES if c in changed]
    assert order == first + sorted(changed - set(first))
    assert vqdf("compare", "--tcp", server.place, drive, saved).stdout == ""
    assert vqdf("compare", "--json", drive, saved, "--defaults").stdout == "[]\n"


def test_dry_run_and_a_value_outside_its_limits_send_no_write(commissioned, tmp_path):
    server, drive = commissioned()
    saved = tmp_path / "set.json"
    assert vqdf("backup", "--tcp", server.place, drive, "-o", saved).returncode == 0
    document = json.loads(saved.read_text())
    document["Parameters"][2]["Raw"] = 50          # 1/2 holds 1 to 99
    document["Parameters"][9]["Raw"] = 7
    saved.write_text(json.dumps(document))
    server.log.write_text("")
    dry = vqdf("restore", "--dry-run", "--tcp", server.place, drive, saved)
    assert dry.returncode == 0, dry.stderr
    assert [line.split(":")[0] for line in dry.stdout.splitlines() if "would write" in line] == \
        ["1/2 Param", "1/9 Param"]
    assert writes(server) == []

    document["Parameters"][2]["Raw"] = 100
    saved.write_text(json.dumps(document))
    server.log.write_text("")
    refused = vqdf("restore", "--tcp", server.place, drive, saved)
    assert refused.returncode == 2
    assert '1/2 "Param": 100 is outside 1 to 99' in refused.stderr
    assert server.requests() == []  # nothing sent at all


def test_a_drive_of_another_model_is_refused_unless_forced(serve, tmp_path):
    server = serve(defaults())
    drive = write_drive(tmp_path, model_no=server.token + 1)
    saved = tmp_path / "set.json"
    refused = vqdf("backup", "--tcp", server.place, drive, "-o", saved)
    assert refused.returncode == 2 and not saved.exists()
    assert f"the drive's model number is {server.token}, the data file's {server.token + 1}" \
        in refused.stderr
    assert vqdf("backup", "--force", "--tcp", server.place, drive, "-o", saved).returncode == 0


def test_refused_registers_are_listed_and_a_set_of_another_version_is_mapped(
        commissioned, tmp_path):
    server, drive = commissioned(refuse=[address(7)], held=[address(9)])
    saved = tmp_path / "set.json"
    backup = vqdf("backup", "--tcp", server.place, drive, "-o", saved)
    assert backup.returncode == 1
    assert "1/7 Param at 0x1107: refused" in backup.stderr
    document = json.loads(saved.read_text())
    assert "Raw" not in document["Parameters"][7] and document["Parameters"][7]["Refused"]
    document["DataFileVersion"] = "0.99"
    document["Parameters"].append({"Group": 1, "Code": 250, "Raw": 3})
    document["Parameters"][9]["Raw"] = 5  # the drive keeps its 0
    saved.write_text(json.dumps(document))
    restored = vqdf("restore", "--tcp", server.place, drive, saved, "--save", "1")
    assert restored.returncode == 1, restored.stderr
    assert "1/9 Param: written 5, but the drive holds 0\n" in restored.stdout
    assert "the data file has no parameter 1/250: it is not written" in restored.stderr
    assert "1/7 was refused when the set was read: it is not written" in restored.stderr
    assert writes(server)[-1] == (SAVE, [1])


def test_a_drive_that_dies_mid_restore_says_how_far_it_got(commissioned, tmp_path):
    # Requests: the backup's 3 (the model number, two runs of 125); then the restore reads the
    # three of the initialisation order and codes 0 to 9 but 2 and 4 (unchanged, a read each)
    # and writes codes 10, 11 and 12 (a read, a write, a read back each); it dies at 13's read.
    server, drive = commissioned(die_after=3 + 3 + 8 + 3 * 3)
    document = json.loads(vqdf("backup", "--tcp", server.place, drive, "-o", "-").stdout)
    for entry in document["Parameters"][10:20]:
        entry["Raw"] = 1
    saved = tmp_path / "set.json"
    saved.write_text(json.dumps(document))
    restored = vqdf("restore", "--tcp", server.place, "--retries", "0", drive, saved)
    assert restored.returncode == 2
    assert "; 14 of 250 parameters were done before it\n" in restored.stderr
    assert [line for line in restored.stdout.splitlines() if "written" in line] == \
        [f"1/{code} Param: written, 1" for code in (10, 11, 12)]
