#!/usr/bin/python3
"""A Modbus TCP server on 127.0.0.1 for the tests of vqdf's drive commands, written with a library
other than the client's (Debian's python3-pymodbus). It listens on a free port and prints it as
its first line; it holds the registers given and no others, answers a write to a read-only
register with a server failure, keeps a register held at its value whatever is written, and
logs every request (its first register and count, and what a write wrote) as a line of JSON. It serves until it is stopped.

A delay makes it answer late, as a slow drive does; a port given makes it listen there, as a
drive that comes back does; a refused register is answered with the illegal-data-address
exception, read or written; and it dies (the process ends) at the request after the number given.

Usage: modbus_server.py REGISTERS_JSON [--read-only ADDRESS]... [--held ADDRESS]... [--log FILE]
                        [--delay SECONDS] [--port PORT] [--refuse ADDRESS]... [--die-after N]"""
import argparse
import asyncio
import json
import logging
import os
import time

from pymodbus.datastore import ModbusServerContext, ModbusSlaveContext, ModbusSparseDataBlock
from pymodbus.server.async_io import ModbusTcpServer


class Registers(ModbusSparseDataBlock):
    def __init__(self, values, read_only, held, log, delay, refused=(), die_after=None):
        super().__init__(values)
        self.read_only, self.held, self.log, self.delay = read_only, held, log, delay
        self.refused, self.die_after, self.answered = set(refused), die_after, 0

    def record(self, request):
        if self.log:
            with open(self.log, "a", encoding="utf-8") as out:
                out.write(json.dumps(request) + "\n")

    def validate(self, address, count=1):
        if self.die_after is not None and self.answered >= self.die_after:
            os._exit(0)  # as a drive that loses its power: no answer, the connection gone
        self.answered += 1
        self.record({"request": address, "count": count})
        time.sleep(self.delay)  # the whole server waits, as a slow drive does
        if self.refused.intersection(range(address, address + count)):
            return False
        return super().validate(address, count)

    def setValues(self, address, values, use_as_default=False):
        if use_as_default:
            return super().setValues(address, values, use_as_default)
        self.record({"write": address, "values": list(values)})
        if self.read_only.intersection(range(address, address + len(values))):
            raise PermissionError(f"register {address:#06x} is read-only")
        kept = [self.values[address + k] if address + k in self.held else value
                for k, value in enumerate(values)]
        return super().setValues(address, kept)


async def serve(arguments):
    with open(arguments.registers, encoding="utf-8") as f:
        values = {int(address): value for address, value in json.load(f).items()}
    block = Registers(values, set(arguments.read_only), set(arguments.held), arguments.log,
                      arguments.delay, arguments.refuse, arguments.die_after)
    context = ModbusServerContext(slaves=ModbusSlaveContext(hr=block, zero_mode=True), single=True)
    server = ModbusTcpServer(context, address=("127.0.0.1", arguments.port), defer_start=True,
                             allow_reuse_address=True)
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    print(server.server.sockets[0].getsockname()[1], flush=True)
    await task


def main():
    logging.disable(logging.CRITICAL)
    parser = argparse.ArgumentParser()
    parser.add_argument("registers")
    number = lambda text: int(text, 0)
    parser.add_argument("--read-only", type=number, action="append", default=[])
    parser.add_argument("--held", type=number, action="append", default=[])
    parser.add_argument("--log")
    parser.add_argument("--delay", type=float, default=0)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--refuse", type=number, action="append", default=[])
    parser.add_argument("--die-after", type=int)
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
