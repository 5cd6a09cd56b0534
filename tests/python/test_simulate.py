"""The package's stand-in drive, checked by a client that is not ours (Debian's
python3-pymodbus) on a free port of 127.0.0.1 that the test checks is its own."""
import dataclasses
import random

import pytest
from pymodbus.client import ModbusTcpClient

import vqdf
from drives import EXAMPLE

ACC_TIME, TRIP, SAVE = 0x1003, 0x0330, 0x03E0


def test_the_package_starts_and_stops_a_stand_in():
    token = random.randrange(1, 60001)
    with vqdf.simulate(EXAMPLE, sets=[f"0/3={token // 10}.{token % 10}"]) as server:
        client = ModbusTcpClient("127.0.0.1", port=server.port, timeout=2)
        assert client.read_holding_registers(ACC_TIME, 1).registers == [token]
        assert server.register(ACC_TIME) == token and server.register(0x1005) is None
        server.command("trip 2")
        assert client.read_holding_registers(TRIP, 1).registers == [2]
        with pytest.raises(ValueError, match="no trip is named"):
            server.command("trip Nothing")
        client.write_register(SAVE, 1)
        assert server.saves == 1 and server.requests == 3
        client.close()
        port = server.port
    refused = ModbusTcpClient("127.0.0.1", port=port, timeout=1)
    assert not refused.connect()




def test_the_package_backs_up_restores_and_compares_a_drive(tmp_path):
    with vqdf.simulate(EXAMPLE) as server, vqdf.Drive(EXAMPLE, tcp=server.address) as drive:
        place = server.address
        saved = drive.backup()
        assert saved == dataclasses.replace(vqdf.defaults(EXAMPLE), drive_model_no=41,
                                            read_at=saved.read_at, read_from=server.address)
        saved.save(tmp_path / "set.json", EXAMPLE)
        assert vqdf.load_parameter_set(tmp_path / "set.json") == saved
        client = ModbusTcpClient("127.0.0.1", port=server.port, timeout=2)
        client.write_register(ACC_TIME, 455)
        client.close()
        assert drive.compare(saved) == [
            {"group": 0, "code": 3, "title": "Acc Time", "before": 455, "after": 200}]
        steps = drive.restore(saved)
        assert [(s["code"], s["outcome"]) for s in steps if s["outcome"] != "unchanged"] == \
            [(3, "written")]
        assert drive.compare() == []
        other = dataclasses.replace(saved, model_no=42)
        with pytest.raises(ValueError, match="the set is of model number 42"):
            drive.restore(other)
    with pytest.raises(vqdf.DriveError, match="Connection refused"):
        vqdf.Drive(EXAMPLE, tcp=place)
    with pytest.raises(vqdf.FormatError, match="ParameterSet"):
        (tmp_path / "bad.json").write_text('{"ParameterSet": 2}')
        vqdf.load_parameter_set(tmp_path / "bad.json")
