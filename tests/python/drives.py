"""The drives the tests read: the examples, the corpus and section files, and drives of many
shapes for property tests, a JSON data file and its titles document as Hypothesis draws them.
Texts take characters of every UTF-8 length and lead-byte range, some longer than their fields;
numbers sit at and around the limits of their fields; ids repeat and name nothing now and then;
groups run to more than 125 consecutive codes. And vqdf itself, at VQDF_PROGRAM."""
import json
import os
import subprocess
from pathlib import Path

from hypothesis import strategies as st

ROOT = Path(__file__).resolve().parents[2]
EXAMPLE = ROOT / "examples" / "M1_1_05.json"
LEGACY = ROOT / "examples" / "DataFile" / "M1" / "M1_1_05.inv"
CORPUS = sorted(p for folder in ("corpus", "cli/sections") for p in (ROOT / "tests" / folder).iterdir()
                if p.suffix in (".json", ".inv") and not p.stem.endswith("_Title"))


def run_vqdf(*arguments, limit=None):
    """vqdf's exit status, output and error output, or None for output beyond limit bytes."""
    with subprocess.Popen([os.environ["VQDF_PROGRAM"], *map(str, arguments)],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE) as process:
        out = process.stdout.read(limit or -1)
        if limit and len(out) == limit:
            process.kill()
            return None
        err = process.stderr.read()
        return process.wait(), out, err.decode()

# One to four bytes in UTF-8: ASCII, Latin-1, Greek, Cyrillic, CJK from U+4E00 and from U+8000,
# the last character of the first plane, and two of the supplementary planes.
CHARACTERS = "aZ0 -/" + "\u00e9\u00ff" + "\u03b1\u0416" + "\u4e00\u8000\uffff" + "\U00010000\U0001f600"
INT32 = st.one_of(st.integers(-(2 ** 31), 2 ** 31 - 1),
                  st.sampled_from([0, 1, -1, 255, 256, 32767, 32768, 65535, 65536, -32768]))
ADDRESS = st.integers(0, 0xFFFF).map(lambda a: f"0x{a:04X}")
ATTRIBUTE = st.integers(0, 2 ** 32 - 1).map(lambda a: f"0x{a:04X}")


def text(max_size=12):
    return st.text(alphabet=CHARACTERS, min_size=1, max_size=max_size)


@st.composite
def drives(draw, max_groups=4, max_parameters=140):
    """(data file, titles document) as dicts; write them with write_drive."""
    titles = draw(st.lists(text(16), min_size=1, max_size=24))
    units = draw(st.lists(text(6), max_size=6))
    title_id = st.integers(1, len(titles) + 1)  # one past the end names nothing
    unit_id = st.integers(1, len(units) + 1)
    messages = draw(st.lists(st.lists(title_id, max_size=5), max_size=6))
    message_id = st.integers(-1, len(messages))

    def half():
        basic = draw(st.integers(0, 3))
        ext = draw(st.integers(0, 2))
        terminal = st.fixed_dictionaries({"Title::id": title_id, "CommAddr": ADDRESS},
                                         optional={"AtValue": st.sampled_from(["1", "2", "12"])})
        return {"TotalNumOfBasic": basic, "TotalNumOfExt": ext, "StatusCommAddr": draw(ADDRESS),
                "BasicTerminalInfo": draw(st.lists(terminal, min_size=basic, max_size=basic)),
                "ExtTerminalInfo": draw(st.lists(terminal, min_size=ext, max_size=ext)),
                "Message::id": draw(message_id)}

    next_id = iter(range(1, 10 ** 6))
    groups = []
    for number in draw(st.lists(st.integers(0, 15), max_size=max_groups, unique=True)):
        count = draw(st.integers(0, max_parameters))
        first = draw(st.sampled_from([0, 1, 255 - count if count < 255 else 0]))
        codes = list(range(first, first + count))
        if codes and draw(st.booleans()):
            codes[-1] = draw(st.sampled_from([255, codes[0]]))  # the last code, or one given twice
        parameters = []
        for code in codes:
            data_type = draw(st.sampled_from([0, 1, 2, 255]))
            parameter = {"id": next(next_id), "CodeNum": code, "Title::id": draw(title_id),
                         "Def": draw(INT32), "Max": draw(INT32), "Min": draw(INT32),
                         "DataType": data_type, "Point32": draw(st.sampled_from([0, 1, 2, 3, 9, 10, -1])),
                         "Unit::id": draw(unit_id), "Attr": draw(ATTRIBUTE)}
            if data_type == 255:
                parameter["Message::id"] = draw(message_id)
            parameters.append(parameter)
        groups.append({"GroupNum": number, "Title::id": draw(title_id),
                       "GroupAttr": draw(ATTRIBUTE), "Parameters": parameters})
    parameter_ids = [p["id"] for g in groups for p in g["Parameters"]]
    parameter_id = st.sampled_from(parameter_ids + [10 ** 6]) if parameter_ids else st.just(7)

    common = draw(st.lists(st.fixed_dictionaries(
        {"CommAddr": ADDRESS, "Title::id": title_id, "Def": INT32, "Max": INT32, "Min": INT32,
         "Point16": st.integers(0, 3), "Unit::id": unit_id, "Attr": ATTRIBUTE}), max_size=3))
    status_info = [{"id": k + 1, "Title::id": draw(title_id), "DataType": draw(st.integers(0, 3)),
                    "Point16": draw(st.integers(0, 3)), "Unit::id": draw(unit_id)}
                   for k in range(draw(st.integers(0, 3)))]

    def trip_half(first, addresses):
        return {first: draw(ADDRESS), addresses: draw(st.lists(ADDRESS, max_size=4)),
                "StatusInfoData": draw(st.lists(st.fixed_dictionaries(
                    {"StatusInfo::id": st.integers(1, len(status_info) + 1),
                     "CommAddr": ADDRESS}), max_size=3)),
                "Message::id": draw(message_id)}

    io_types = draw(st.lists(text(8), max_size=3))
    io_type_id = st.integers(1, len(io_types) + 1)
    block_groups = draw(st.lists(text(8), max_size=3))
    comments = draw(st.lists(text(16), max_size=3))
    entry = st.fixed_dictionaries({"Parameters::id": parameter_id, "IOTypes::id": io_type_id,
                                   "Value": INT32})
    blocks = draw(st.lists(st.fixed_dictionaries({
        "Name": text(10), "Groups::id": st.integers(1, len(block_groups) + 1),
        "Blockid": st.integers(0, 99), "BlockType": ATTRIBUTE,
        "Expansion": st.lists(st.fixed_dictionaries(
            {"ExpansionType": st.sampled_from(["input", "output", "none"]),
             "IOTypes::id": io_type_id}), max_size=2),
        "InputParameterIdList": st.lists(entry, max_size=2),
        "OutputParameterIdList": st.lists(entry, max_size=2),
        "Comments::id": st.integers(1, len(comments) + 1)}), max_size=3))
    roles = ["ControlParameter", "StatusParameter", "CheckUserSeqFileValidationParameter",
             "LastErrorParameter"]
    scope = ["Enable", "SamplingTime", "ParameterCount"] + [f"ParameterAddr{k}" for k in range(1, 9)]

    def table(texts, key):
        return [{"id": k + 1, key: t} for k, t in enumerate(texts)]

    data = {
        "Units": table(units, "Text"),
        "Messages": [{"id": m, "TitleInfo": [{"Title::id": t} for t in ids]}
                     for m, ids in enumerate(messages)],
        "Device": {"DataFileVersion": draw(text(9)), "ModelNo": draw(INT32),
                   "Model": draw(text(29)), "InvSwVersion": draw(text(9)),
                   "KeypadCommOffset16": draw(ADDRESS), "KeypadCommOffset32": draw(ADDRESS),
                   "ModelNoCommAddr": draw(ADDRESS), "MotorStatusCommAddr": draw(ADDRESS),
                   "InvStatusCommAddr": draw(ADDRESS), "InvControlCommAddr": draw(ADDRESS),
                   "ParaSaveCommAddr": draw(ADDRESS)},
        "IO": {"Input": half(), "Output": half()},
        "ParameterGroups": groups,
        "CommonParameters": common,
        "Trips": {"StatusInfo": status_info,
                  "CurrentTrip": trip_half("FirstTripAddr", "TripAddr"),
                  "CurrentWarning": trip_half("FirstWarnAddr", "WarnAddr"),
                  "TripHistory": {"Count": draw(st.integers(0, 9))}},
        "InitOrder": [{"Parameter::id": draw(parameter_id)}
                      for _ in range(draw(st.integers(0, 4)))],
        "AdvUserSeq": dict(
            {role: {"Parameters::id": draw(parameter_id)}
             for role in draw(st.lists(st.sampled_from(roles), unique=True))},
            BitPinTypes=table(draw(st.lists(text(8), max_size=2)), "Name"),
            IOTypes=table(io_types, "Name"), Comments=table(comments, "contents"),
            Groups=table(block_groups, "Name"), FunctionList=blocks),
        "SimpleScope": {role: {"Parameters::id": draw(parameter_id)}
                        for role in draw(st.lists(st.sampled_from(scope), unique=True))},
    }
    return data, {"Titles": table(titles, "Text")}


def write_drive(directory, stem, drive):
    """Writes the data file and its titles document; returns the data file's path."""
    data, titles = drive
    path = directory / f"{stem}.json"
    path.write_text(json.dumps(data, ensure_ascii=False), encoding="utf-8")
    (directory / f"{stem}_Title.json").write_text(json.dumps(titles, ensure_ascii=False),
                                                  encoding="utf-8")
    return path
