"""Drive data files from Python: load either format, read every record, compare and convert.

    >>> import vqdf
    >>> drive = vqdf.load("examples/M1_1_05.json")
    >>> drive.groups[1].parameters[0].title
    'Jump Code'

Records come from the library's own readers, so they are what a host program reads. Texts are
str, each field decoded in its own encoding; addresses and attributes are int.
"""
from __future__ import annotations

import errno as _errno
import contextlib
import functools
import os
from dataclasses import dataclass
from typing import Any, Dict, Iterable, Iterator, List, Optional, Tuple, Union

from . import _vqdf

__all__ = [
    "load", "diff", "convert", "rules", "simulate", "Simulator", "Drive", "DriveError",
    "ParameterSet", "SetValue", "load_parameter_set", "defaults", "compare",
    "parameter_set_schema", "data_file_schema", "titles_schema", "DataFile", "Device",
    "Parameter", "Group", "Terminal", "StatusValue", "TripTable", "CommonParameter", "ScopeRole",
    "FunctionBlock", "Error", "LoadError", "FileNotFoundLoadError", "PermissionLoadError",
    "IsADirectoryLoadError", "SystemLoadError", "WriteError", "FormatError", "__version__",
]

__version__: str = _vqdf.version

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


class Error(Exception):
    """Every error of this package."""


class LoadError(Error):
    """A file that cannot be loaded: `kind` ("parse-error", "missing-document",
    "missing-section" or "unreadable"), the `file` and the `place` in it (a line and column, a
    JSON Pointer, or empty), the `reason`, and every finding of the load in `findings`."""

    def __init__(self, failure: Dict[str, str], findings: List[Dict[str, str]]):
        self.kind = failure["kind"]
        self.file = failure["file"]
        self.place = failure["place"]
        self.reason = failure["message"]
        self.findings = findings
        place = f":{self.place}" if self.place else ""
        super().__init__(f"{self.file}{place}: {self.reason}")


class SystemLoadError(LoadError, OSError):
    """A file the system cannot give: a LoadError that is also the OSError the system reported,
    with its `errno`, `strerror` and `filename`."""

    def __init__(self, failure: Dict[str, Any], findings: List[Dict[str, str]]):
        LoadError.__init__(self, failure, findings)
        self.errno = failure.get("errno") or None
        self.strerror = failure["message"]
        self.filename = failure["file"]

    def __str__(self) -> str:
        return LoadError.__str__(self)


class FileNotFoundLoadError(SystemLoadError, FileNotFoundError):
    """A file that does not exist."""


class PermissionLoadError(SystemLoadError, PermissionError):
    """A file this process may not read."""


class IsADirectoryLoadError(SystemLoadError, IsADirectoryError):
    """A directory where a data file was expected."""


def _load_error(failure: Dict[str, Any], findings: List[Dict[str, str]]) -> LoadError:
    """The exception of a failed load: one that is an OSError too where the system said why."""
    if failure["kind"] != "unreadable":
        return LoadError(failure, findings)
    kind = {_errno.ENOENT: FileNotFoundLoadError, _errno.EACCES: PermissionLoadError,
            _errno.EPERM: PermissionLoadError, _errno.EISDIR: IsADirectoryLoadError}
    return kind.get(failure.get("errno"), SystemLoadError)(failure, findings)


class WriteError(Error):
    """An output that was not written, with the reason; `losses` lists what the target format
    would not have kept (for a refusal under strict=True)."""

    def __init__(self, message: str, losses: List[Dict[str, Any]]):
        self.losses = losses
        super().__init__(message)


class FormatError(Error, ValueError):
    """An output whose format is told neither by its name (.json, .inv) nor by `format`."""


@dataclass(frozen=True)
class Device:
    """The drive's identity and the addresses of its fixed registers. `keypad_offset32` is None
    in a legacy file, which has no 32-bit addresses; `diagnosis_numbers` only a legacy file
    holds."""
    data_file_version: str
    model_no: int
    model: str
    software_version: str
    keypad_offset16: int
    keypad_offset32: Optional[int]
    model_no_address: int
    motor_status_address: int
    status_address: int
    control_address: int
    save_address: int
    reserved: Tuple[int, int, int, int]
    diagnosis_numbers: Tuple[int, ...]


@dataclass(frozen=True)
class Parameter:
    """A parameter of a group. `minimum`, `maximum` and `default` are raw; the scaled ones are
    divided by ten to the decimal point, and `values` names an enumerated parameter's values."""
    code: int
    title: str
    alt_title: str
    default: int
    minimum: int
    maximum: int
    scaled_default: Union[int, float]
    scaled_minimum: Union[int, float]
    scaled_maximum: Union[int, float]
    point: int
    unit: str
    data_type: int
    attribute: int
    address16: int
    address32: Optional[int]
    values: Optional[Tuple[str, ...]]


@dataclass(frozen=True)
class Group:
    number: int
    title: str
    attribute: int
    parameters: Tuple[Parameter, ...]


@dataclass(frozen=True)
class Terminal:
    title: str
    address: int
    basic: bool


@dataclass(frozen=True)
class StatusValue:
    """A value shown with the current trip or warning."""
    title: str
    address: int
    data_type: int
    point: int
    unit: str


@dataclass(frozen=True)
class TripTable:
    """How the current trip or warning is read: its addresses, its names by number, and the
    values shown with it."""
    first_address: int
    addresses: Tuple[int, ...]
    names: Tuple[str, ...]
    status_values: Tuple[StatusValue, ...]


@dataclass(frozen=True)
class CommonParameter:
    address: int
    title: str
    default: int
    minimum: int
    maximum: int
    point: int
    unit: str
    attribute: int


@dataclass(frozen=True)
class ScopeRole:
    role: int
    parameter_id: int
    address: int


@dataclass(frozen=True)
class FunctionBlock:
    id: int
    name: str
    group: str
    type: int
    expansions: Tuple[Tuple[int, int], ...]
    inputs: Tuple[Tuple[int, int, int], ...]
    outputs: Tuple[Tuple[int, int, int], ...]
    comment: str


def _scaled(value: int, point: int) -> Union[int, float]:
    return value / 10 ** point if 0 < point <= 9 else value


def _titles(titles: Optional[List[str]]) -> Tuple[str, ...]:
    return tuple(titles or ())


class DataFile:
    """A loaded data file. It stays valid for as long as it is held; its records are read
    when first asked for."""

    def __init__(self, native: _vqdf.File):
        self._native = native

    @functools.cached_property
    def findings(self) -> List[Dict[str, str]]:
        """What the load skipped or cut and what the rules find wrong in what the file says, as
        `vqdf check --json` lists them: dicts of kind, severity ("error" or "warning"), file,
        place and message."""
        return self._native.findings([], [])

    def check(self, ignore: Iterable[str] = (), error: Iterable[str] = ()) -> List[Dict[str, str]]:
        """The findings as `vqdf check --ignore ... --error ...` gives them: those of the rules
        or kinds in `ignore` left out, those in `error` made errors. Raises ValueError for a
        name that is no rule's or finding kind's (`rules()` lists them)."""
        return self._native.findings(list(ignore), list(error))

    def __repr__(self) -> str:
        return f"<vqdf.DataFile {self.path!r} ({self.format})>"

    @property
    def path(self) -> str:
        """The file's name, as it was given."""
        return self._native.path

    @property
    def format(self) -> str:
        """"json" or "legacy"."""
        return self._native.format

    def to_dict(self) -> Dict[str, Any]:
        """Every record and table as the document `vqdf dump` prints, as Python objects."""
        return self._native.to_dict()

    @functools.cached_property
    def _records(self) -> Dict[str, Any]:
        return self.to_dict()

    @functools.cached_property
    def device(self) -> Device:
        """The drive's identity and the addresses of its fixed registers."""
        d = self._records["DeviceInfo"]
        extend = self._records["ExtendSpec"]
        return Device(
            d["DataFileVersion"], d["ModelNo"], d["Model"], d["InvSwVersion"],
            d["KeypadCommOffset16"], None if extend is None else extend["KeypadCommOffset32"],
            d["ModelNoCommAddr"], d["MotorStatusCommAddr"], d["InvStatusCommAddr"],
            d["InvControlCommAddr"], d["ParaSaveCommAddr"],
            (d["Reserved1"], d["Reserved2"], d["Reserved3"], d["Reserved4"]),
            tuple(d["DiagNumbers"] or ()))

    def _terminals(self, key: str, basic_key: str) -> Tuple[Terminal, ...]:
        io = self._records["IOSpec"]
        return tuple(Terminal(t["Title"], t["CommAddr"], k < io[basic_key])
                     for k, t in enumerate(io[key] or ()))

    @functools.cached_property
    def input_terminals(self) -> Tuple[Terminal, ...]:
        """The input terminals, the basic ones first."""
        return self._terminals("InputTerminals", "InputBasicCount")

    @functools.cached_property
    def output_terminals(self) -> Tuple[Terminal, ...]:
        """The output terminals, the basic ones first."""
        return self._terminals("OutputTerminals", "OutputBasicCount")

    def _trip_table(self, kind: str) -> TripTable:
        trips = self._records["TripSpec"]
        return TripTable(
            trips[f"First{kind}Addr"], tuple(trips[f"{kind}Addr"] or ()),
            _titles(trips[f"{kind}Names"]),
            tuple(StatusValue(s["Title"], s["CommAddr"], s["DataType"], s["Point16"], s["Unit"])
                  for s in trips[f"{kind}StatusInfoData"] or ()))

    @functools.cached_property
    def trips(self) -> TripTable:
        """How the current trip is read, and the names of the trips by number."""
        return self._trip_table("Trip")

    @functools.cached_property
    def warnings(self) -> TripTable:
        """How the current warning is read, and the names of the warnings by number."""
        return self._trip_table("Warn")

    @functools.cached_property
    def messages(self) -> Tuple[Tuple[str, ...], ...]:
        """The message tables by number: the names of the values each lists."""
        return tuple(_titles(m["TitleInfo"])
                     for m in self._records["MessageSpec"]["Messages"] or ())

    def _parameter(self, group: int, p: Dict[str, Any]) -> Parameter:
        point = p["Point32"]
        enumerated = p["DataType"] == 255
        values = None
        if enumerated and 0 <= point < len(self.messages):
            values = self.messages[point]
        scale = (lambda v: v) if enumerated else (lambda v: _scaled(v, point))
        return Parameter(
            p["CodeNum"], p["Title"], p["AltTitle"], p["Def"], p["Min"], p["Max"],
            scale(p["Def"]), scale(p["Min"]), scale(p["Max"]), point, p["Unit"], p["DataType"],
            p["Attr"], self._native.address16(group, p["CodeNum"]),
            self._native.address32(group, p["CodeNum"]), values)

    @functools.cached_property
    def groups(self) -> Tuple[Group, ...]:
        """The parameter groups in file order, each with its parameters."""
        return tuple(
            Group(g["GroupNum"], g["Title"], g["GroupAttr"],
                  tuple(self._parameter(g["GroupNum"], p) for p in g["Parameters"] or ()))
            for g in self._records["ParaSpec"]["Groups"] or ())

    @functools.cached_property
    def common_parameters(self) -> Tuple[CommonParameter, ...]:
        """The parameters with fixed addresses of their own."""
        return tuple(
            CommonParameter(c["CommAddr"], c["Title"], c["Def"], c["Min"], c["Max"],
                            c["Point16"], c["Unit"], c["Attr"])
            for c in self._records["CommonSpec"]["CommonParams"] or ())

    @functools.cached_property
    def init_order(self) -> Tuple[int, ...]:
        """The addresses of the parameters in the order the drive is initialised."""
        return tuple(self._records["InitOrder"]["InitOrderAddrs"] or ())

    @functools.cached_property
    def scope_roles(self) -> Tuple[ScopeRole, ...]:
        """The parameters with fixed roles (simple scope and user sequence); none in a legacy
        file."""
        return tuple(ScopeRole(r["Role"], r["ParamId"], r["CommAddr"])
                     for r in self._records["SpecialParameters"] or ())

    @functools.cached_property
    def function_blocks(self) -> Tuple[FunctionBlock, ...]:
        """The advanced user sequence's function blocks; none in a legacy file."""
        def entries(items):
            return tuple((e["ParamId"], e["IOTypeId"], e["Value"]) for e in items or ())
        return tuple(
            FunctionBlock(b["BlockId"], b["Name"], b["GroupName"], b["BlockType"],
                          tuple((e["ExpansionType"], e["IOTypeId"]) for e in b["Expansion"] or ()),
                          entries(b["InputParameterIdList"]), entries(b["OutputParameterIdList"]),
                          b["Comment"])
            for b in self._records["FunctionBlocks"] or ())

    def parameter_table(self) -> List[Dict[str, Any]]:
        """Every parameter as a flat row, for a table or a data frame
        (`pandas.DataFrame(drive.parameter_table())`): group, group_title, code, title,
        address16, address32, default, minimum, maximum (scaled), unit, values."""
        return [{"group": g.number, "group_title": g.title, "code": p.code, "title": p.title,
                 "address16": p.address16, "address32": p.address32,
                 "default": p.scaled_default, "minimum": p.scaled_minimum,
                 "maximum": p.scaled_maximum, "unit": p.unit,
                 "values": list(p.values) if p.values is not None else None}
                for g in self.groups for p in g.parameters]


class DriveError(Error):
    """A drive that cannot be reached, does not answer, or is not the data file's (its model
    number differs). For a restore cut short, `steps` says how far it got."""

    def __init__(self, message: str, steps: Optional[List[Dict[str, Any]]] = None):
        self.steps = steps or []
        super().__init__(message)


@dataclass(frozen=True)
class SetValue:
    """One parameter's value in a parameter set: the raw value, or None with why the drive
    refused its register."""
    group: int
    code: int
    title: str
    address: int
    raw: Optional[int]
    refused: str = ""


@dataclass(frozen=True)
class ParameterSet:
    """The values of a drive's parameters, as read from a drive (`Drive.backup`) or taken from a
    data file's defaults (`defaults`), with the data file's model, model number and version, the
    model number the drive gave, and when and from where they were read. Saved and loaded as the
    JSON document of docs/parameter-set.md."""
    model: str
    model_no: int
    version: str
    drive_model_no: Optional[int]
    read_at: str
    read_from: str
    values: Tuple[SetValue, ...]

    def _native(self) -> Dict[str, Any]:
        fields = {k: getattr(self, k) for k in ("model", "model_no", "version", "drive_model_no",
                                                "read_at", "read_from")}
        fields["values"] = [(v.group, v.code, v.title, v.address, v.raw, v.refused)
                            for v in self.values]
        return fields

    @staticmethod
    def _from_native(fields: Dict[str, Any]) -> "ParameterSet":
        values = tuple(SetValue(*v) for v in fields.pop("values"))
        return ParameterSet(values=values, **fields)

    def save(self, path: PathLike, drive: Union["DataFile", PathLike]) -> None:
        """Writes the set as path (atomically; "-" is standard output), with the scaled values,
        units and value names of the data file it belongs to."""
        text = _vqdf.parameter_set_text(_loaded(drive)._native, self._native())
        try:
            _vqdf.write_text(os.fsencode(path), text)
        except RuntimeError as error:
            raise WriteError(str(error), []) from None


def load_parameter_set(path: PathLike) -> ParameterSet:
    """A parameter set read from its document; raises FormatError for one that is not."""
    try:
        return ParameterSet._from_native(_vqdf.read_parameter_set(os.fsencode(path)))
    except ValueError as error:
        raise FormatError(str(error)) from None


def defaults(source: Union["DataFile", PathLike]) -> ParameterSet:
    """Every parameter of a data file at its default, as a parameter set."""
    return ParameterSet._from_native(_vqdf.defaults(_loaded(source)._native))


def compare(source: Union["DataFile", PathLike], before: ParameterSet,
            after: ParameterSet) -> List[Dict[str, Any]]:
    """The parameters whose raw values differ between two sets of a data file, as `vqdf compare
    --json` lists them, by group and code: dicts of group, code, title, before and after (None
    where the set lacks the parameter or the drive refused it)."""
    return [dict(zip(("group", "code", "title", "before", "after"), d))
            for d in _vqdf.compare_sets(_loaded(source)._native, before._native(),
                                        after._native())]


class Drive:
    """A drive over Modbus TCP (tcp="HOST[:PORT]") or RTU (rtu="/dev/ttyUSB0"), by its data
    file, as vqdf's drive commands reach it; a context manager that closes the link. Raises
    ValueError for options that make no link and DriveError when it cannot connect."""

    def __init__(self, source: Union["DataFile", PathLike], tcp: str = "", rtu: str = "",
                 unit: int = 1, timeout: float = 1.0, retries: int = 1,
                 baud: Optional[int] = None, parity: Optional[str] = None):
        self.file = _loaded(source)
        try:
            self._native = _vqdf.Drive(self.file._native, tcp, rtu, unit, timeout, retries, baud,
                                       parity)
        except RuntimeError as error:
            raise DriveError(str(error)) from None

    def __enter__(self) -> "Drive":
        return self

    def __exit__(self, *_: Any) -> None:
        self.close()

    @property
    def place(self) -> str:
        """Where the drive is: "127.0.0.1:5020"."""
        return self._native.place

    def close(self) -> None:
        self._native.close()

    def backup(self, force: bool = False) -> ParameterSet:
        """Every parameter of the drive, after its model number: raises DriveError for a drive of
        another model number (unless force) and when the link fails."""
        try:
            return ParameterSet._from_native(self._native.backup(force))
        except RuntimeError as error:
            raise DriveError(str(error)) from None

    def restore(self, values: ParameterSet, dry_run: bool = False,
                save: Optional[int] = None) -> List[Dict[str, Any]]:
        """Puts a set on the drive as `vqdf restore` does, and returns each step: dicts of group,
        code, title, address, value, outcome ("unchanged", "written", "refused", "differs";
        "planned" in a dry run), read_back and note. Raises ValueError for a set of another
        model or with a value outside its limits (nothing is written), DriveError when the link
        fails (with the steps so far)."""
        steps, failure, _, _ = self._native.restore(values._native(), dry_run, save)
        if failure is not None:
            raise DriveError(failure, steps)
        return steps

    def compare(self, other: Optional[ParameterSet] = None,
                force: bool = False) -> List[Dict[str, Any]]:
        """The drive against a set, or against the file's defaults (other None)."""
        return compare(self.file, self.backup(force), other or defaults(self.file))


class Simulator:
    """A stand-in for the drive a data file describes, serving Modbus TCP on a thread of its
    own, as `vqdf simulate` does: registers at the file's addresses holding its defaults, its
    limits enforced with the exceptions a drive gives. Made by `simulate()`."""

    def __init__(self, drive: "DataFile", host: str, port: int, unit: int):
        self.drive = drive
        self._native = _vqdf.Simulator(drive._native, f"{host}:{port}", unit)

    @property
    def address(self) -> str:
        """Where it listens: "127.0.0.1:40123"."""
        return self._native.place

    @property
    def port(self) -> int:
        """The TCP port it listens on."""
        return self._native.port

    @property
    def requests(self) -> int:
        """How many requests it has answered."""
        return self._native.requests

    @property
    def saves(self) -> int:
        """How many writes the parameter save register has taken."""
        return self._native.saves

    def register(self, address: int) -> Optional[int]:
        """A register as it now holds, or None for one the file does not name."""
        return self._native.register(address)

    def command(self, line: str) -> None:
        """Changes what the drive reports, as a command of `vqdf simulate`: 'trip "Over
        Voltage"', 'warning 3', 'clear', 'set 1/5 4.2', 'set "Output Freq" 50.00', 'register
        0x0306 1'. Raises ValueError for one it cannot take, with nothing changed."""
        self._native.command(line)

    def stop(self) -> None:
        """Stops serving and closes every connection."""
        self._native.stop()


@contextlib.contextmanager
def simulate(source: Union["DataFile", PathLike], port: int = 0, host: str = "127.0.0.1",
             unit: int = 1, sets: Iterable[str] = ()) -> Iterator[Simulator]:
    """A stand-in drive for the data file (a path or a DataFile) on host:port, a free port by
    default, for as long as the block runs; sets start parameters at other values than their
    defaults ("1/5=4.2"). Raises RuntimeError when it cannot listen, ValueError for a set it
    cannot take."""
    simulator = Simulator(_loaded(source), host, port, unit)
    try:
        for assignment in sets:
            name, _, value = assignment.partition("=")
            simulator.command(f'set {name} "{value}"')
        yield simulator
    finally:
        simulator.stop()


def parameter_set_schema() -> str:
    """The JSON Schema of a parameter set, as `vqdf schema --parameter-set` prints it."""
    return _vqdf.parameter_set_schema()


def rules() -> List[Dict[str, str]]:
    """Every rule (source "rule") and every kind of finding a load reports (source "load"):
    dicts of name, severity and sentence, as `vqdf check --rules` lists them."""
    return _vqdf.rules()


def load(path: PathLike) -> DataFile:
    """Loads a data file of either format, told by its content; a JSON data file has its titles
    document beside it. Raises LoadError when the file cannot be loaded."""
    native, failure, findings = _vqdf.open(os.fsencode(path))
    if native is None:
        raise _load_error(failure, findings)
    return DataFile(native)


def _loaded(file: Union[DataFile, PathLike]) -> DataFile:
    return file if isinstance(file, DataFile) else load(file)


def diff(before: Union[DataFile, PathLike], after: Union[DataFile, PathLike]) -> List[Dict[str, str]]:
    """Every record that differs, as `vqdf diff --json` lists them: dicts of change ("added",
    "removed", "changed"), what, key, field, before and after."""
    return _vqdf.diff(_loaded(before)._native, _loaded(after)._native)


def convert(source: Union[DataFile, PathLike], out: PathLike, strict: bool = False,
            format: Optional[str] = None) -> List[Dict[str, Any]]:
    """Writes the file at source (a path, or a DataFile, whose file is read again) as out, in
    the format of out's name (.json or .inv) or of `format` ("json" or "inv"). Returns where
    the output differs from the source: dicts of what, count, how ("dropped", "changed" or
    "added") and an example line of diff. With strict=True, anything dropped or changed raises
    WriteError and nothing is written."""
    if isinstance(source, DataFile):
        source = source.path
    target = os.fsencode(out)
    if format is None:
        format = _vqdf.format_of_name(target)
        if format is None:
            raise FormatError(f"cannot tell the format to write {os.fsdecode(target)}: name it "
                              ".json or .inv, or give format='json' or format='inv'")
    elif format in ("json", "inv"):
        format = "json" if format == "json" else "legacy"
    else:
        raise FormatError(f"unknown format {format!r}: 'json' or 'inv'")
    # Written as stored: the degree placeholders of message titles stay placeholders.
    native, failure, findings = _vqdf.open(os.fsencode(source), degree_signs=False)
    if native is None:
        raise _load_error(failure, findings)
    result = _vqdf.write(native, target, format, strict)
    if not result["written"]:
        raise WriteError(result["error"], result["losses"])
    return result["losses"]


def data_file_schema() -> str:
    """The JSON Schema (draft 2020-12) of the data file, as `vqdf schema` prints it."""
    return _vqdf.data_file_schema()


def titles_schema() -> str:
    """The JSON Schema of the titles document, as `vqdf schema --titles` prints it."""
    return _vqdf.titles_schema()
