"""The package's stand-in drive, checked by a client that is not ours (Debian's
python3-pymodbus) on a free port of 127.0.0.1 that the test checks is its own."""
import random

import pytest
from pymodbus.client import ModbusTcpClient

import vqdf
from test_vqdf import EXAMPLE

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


