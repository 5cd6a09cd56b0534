#!/usr/bin/python3
"""A Modbus TCP server on 127.0.0.1 for the tests of vqdf's drive commands, written with a library
other than the client's (Debian's python3-pymodbus): it holds the registers given and no others,
and answers a write to one of the read-only registers with a server failure. It serves until it
is stopped. Usage: modbus_server.py PORT REGISTERS_JSON [READ_ONLY_ADDRESS ...]"""
import json
import logging
import sys

from pymodbus.datastore import ModbusServerContext, ModbusSlaveContext, ModbusSparseDataBlock
from pymodbus.server import StartTcpServer


class Registers(ModbusSparseDataBlock):
    def __init__(self, values, read_only):
        super().__init__(values)
        self.read_only = read_only

    def setValues(self, address, values, use_as_default=False):
        if self.read_only.intersection(range(address, address + len(values))):
            raise PermissionError(f"register {address:#06x} is read-only")
        super().setValues(address, values, use_as_default)


def main():
    logging.disable(logging.CRITICAL)
    port = int(sys.argv[1])
    with open(sys.argv[2], encoding="utf-8") as f:
        values = {int(address): value for address, value in json.load(f).items()}
    read_only = {int(address, 0) for address in sys.argv[3:]}
    block = Registers(values, read_only)
    slave = ModbusSlaveContext(hr=block, zero_mode=True)
    StartTcpServer(context=ModbusServerContext(slaves=slave, single=True),
                   address=("127.0.0.1", port))


if __name__ == "__main__":
    main()
