"""The Python package against the tool: the same records, the same differences, the same
conversions, its own errors, and memory that stays flat. Needs VQDF_PROGRAM, the path of vqdf."""
import json
import os
import shutil

import pytest
from hypothesis import HealthCheck, given, settings

import vqdf
from drives import CORPUS, EXAMPLE, LEGACY, ROOT, drives, run_vqdf, write_drive

DUMP_LIMIT = 64 << 20


@pytest.mark.parametrize("path", [EXAMPLE, LEGACY, *CORPUS], ids=lambda p: p.name)
def test_to_dict_and_findings_are_the_tools_and_a_file_it_cannot_load_raises(path):
    ran = run_vqdf("dump", path, limit=DUMP_LIMIT)
    if ran is None:
        pytest.skip("its dump is larger than 64 MiB")
    status, out, err = ran
    if status != 0:
        with pytest.raises(vqdf.LoadError) as raised:
            vqdf.load(path)
        assert f"vqdf: error: {raised.value}\n" == err
    else:
        drive = vqdf.load(path)
        assert drive.to_dict() == json.loads(out)
        assert drive.findings == json.loads(run_vqdf("check", "--json", path)[1])
        mirrors_the_dump(drive, json.loads(out))


def test_rules_and_choices_are_the_tools(tmp_path):
    """On the example with a default outside its limits (an error) and a parameter without a
    title (a warning): the findings and the choices over them as the tool gives them, and the
    exit status from the errors alone."""
    doc = json.loads(EXAMPLE.read_text(encoding="utf-8"))
    acc = doc["ParameterGroups"][0]["Parameters"][3]
    acc["Def"] = acc["Max"] + 1
    del doc["ParameterGroups"][1]["Parameters"][0]["Title::id"]
    path = tmp_path / "M1_1_05.json"
    path.write_text(json.dumps(doc), encoding="utf-8")
    shutil.copy(EXAMPLE.with_name("M1_1_05_Title.json"), tmp_path)
    drive = vqdf.load(path)
    assert [(f["kind"], f["severity"]) for f in drive.findings] == [
        ("default-outside-limits", "error"), ("title-empty", "warning")]
    for ignore, error, status in [((), (), 1), (("default-outside-limits",), (), 0),
                                  (("default-outside-limits",), ("title-empty",), 1),
                                  (("title-empty", "text-cut"), (), 1)]:
        options = [*(["--ignore", ",".join(ignore)] if ignore else []),
                   *(["--error", ",".join(error)] if error else [])]
        ran = run_vqdf("check", "--json", *options, path)
        assert ran[0] == status, options
        assert drive.check(ignore, error) == json.loads(ran[1])
    with pytest.raises(ValueError, match="no-such-rule"):
        drive.check(ignore=["no-such-rule"])
    listed = run_vqdf("check", "--rules")[1].decode().splitlines()
    assert [(r["name"], r["severity"]) for r in vqdf.rules()] == [
        tuple(line.split()[:2]) for line in listed if line.startswith("  ")]


def scaled(value, point):
    return value / 10 ** point if 0 < point <= 9 else value


def mirrors_the_dump(drive, dump):
    """Every field of the package's records is the field of the dump it stands for, by the
    format's rules: values scaled by their decimal point, addresses from group and code, the
    names of an enumerated parameter's values from its message."""
    d, extend = dump["DeviceInfo"], dump["ExtendSpec"]
    assert drive.device == vqdf.Device(
        d["DataFileVersion"], d["ModelNo"], d["Model"], d["InvSwVersion"], d["KeypadCommOffset16"],
        extend and extend["KeypadCommOffset32"], d["ModelNoCommAddr"], d["MotorStatusCommAddr"],
        d["InvStatusCommAddr"], d["InvControlCommAddr"], d["ParaSaveCommAddr"],
        (d["Reserved1"], d["Reserved2"], d["Reserved3"], d["Reserved4"]),
        tuple(d["DiagNumbers"] or ()))
    table = drive.parameter_table()
    assert [(r["group"], r["code"], r["title"], r["address16"], r["default"], r["unit"])
            for r in table] == [(g.number, p.code, p.title, p.address16, p.scaled_default, p.unit)
                                for g in drive.groups for p in g.parameters]
    io, trips = dump["IOSpec"], dump["TripSpec"]
    for terminals, kind in ((drive.input_terminals, "Input"), (drive.output_terminals, "Output")):
        assert [(t.title, t.address, t.basic) for t in terminals] == [
            (e["Title"], e["CommAddr"], k < io[f"{kind}BasicCount"])
            for k, e in enumerate(io[f"{kind}Terminals"] or [])]
    for table, kind in ((drive.trips, "Trip"), (drive.warnings, "Warn")):
        assert (table.first_address, list(table.addresses), list(table.names)) == (
            trips[f"First{kind}Addr"], trips[f"{kind}Addr"] or [], trips[f"{kind}Names"] or [])
        assert [(v.title, v.address, v.data_type, v.point, v.unit) for v in table.status_values] == [
            (s["Title"], s["CommAddr"], s["DataType"], s["Point16"], s["Unit"])
            for s in trips[f"{kind}StatusInfoData"] or []]
    messages = [tuple(m["TitleInfo"] or ()) for m in dump["MessageSpec"]["Messages"] or []]
    assert list(drive.messages) == messages
    offset16 = dump["DeviceInfo"]["KeypadCommOffset16"]
    offset32 = (dump["ExtendSpec"] or {}).get("KeypadCommOffset32")
    groups = dump["ParaSpec"]["Groups"] or []
    assert [(g.number, g.title, g.attribute) for g in drive.groups] == [
        (g["GroupNum"], g["Title"], g["GroupAttr"]) for g in groups]
    for group, g in zip(drive.groups, groups):
        for p, d in zip(group.parameters, g["Parameters"] or [], strict=True):
            named = d["DataType"] == 255
            point = 0 if named else d["Point32"]
            assert (p.code, p.title, p.alt_title, p.default, p.minimum, p.maximum, p.point, p.unit,
                    p.data_type, p.attribute) == (
                d["CodeNum"], d["Title"], d["AltTitle"], d["Def"], d["Min"], d["Max"],
                d["Point32"], d["Unit"], d["DataType"], d["Attr"])
            assert (p.scaled_default, p.scaled_minimum, p.scaled_maximum) == tuple(
                scaled(d[k], point) for k in ("Def", "Min", "Max"))
            assert p.address16 == (offset16 + 256 * g["GroupNum"] + d["CodeNum"]) & 0xFFFF
            assert p.address32 == (None if offset32 is None else
                                   (offset32 + 2 * (128 * g["GroupNum"] + d["CodeNum"])) & 0xFFFF)
            inside = named and 0 <= d["Point32"] < len(messages)
            assert p.values == (messages[d["Point32"]] if inside else None)
    assert [(c.address, c.title, c.default, c.minimum, c.maximum, c.point, c.unit, c.attribute)
            for c in drive.common_parameters] == [
        (c["CommAddr"], c["Title"], c["Def"], c["Min"], c["Max"], c["Point16"], c["Unit"], c["Attr"])
        for c in dump["CommonSpec"]["CommonParams"] or []]
    assert list(drive.init_order) == (dump["InitOrder"]["InitOrderAddrs"] or [])
    assert [(r.role, r.parameter_id, r.address) for r in drive.scope_roles] == [
        (r["Role"], r["ParamId"], r["CommAddr"]) for r in dump["SpecialParameters"] or []]
    entries = lambda items: [(e["ParamId"], e["IOTypeId"], e["Value"]) for e in items or []]
    assert [(b.id, b.name, b.group, b.type, list(b.expansions), list(b.inputs), list(b.outputs),
             b.comment) for b in drive.function_blocks] == [
        (b["BlockId"], b["Name"], b["GroupName"], b["BlockType"],
         [(e["ExpansionType"], e["IOTypeId"]) for e in b["Expansion"] or []],
         entries(b["InputParameterIdList"]), entries(b["OutputParameterIdList"]), b["Comment"])
        for b in dump["FunctionBlocks"] or []]


@settings(max_examples=40, deadline=None,
          suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large,
                                 HealthCheck.function_scoped_fixture])
@given(drive=drives())
def test_the_records_of_drawn_drives_mirror_the_dump(drive, tmp_path_factory):
    loaded = vqdf.load(write_drive(tmp_path_factory.mktemp("drive"), "D_1_00", drive))
    mirrors_the_dump(loaded, json.loads(run_vqdf("dump", loaded.path)[1]))


def test_the_version_is_the_tools():
    assert run_vqdf("--version")[1].decode().split() == ["vqdf", vqdf.__version__]


def edited_example(directory):
    document = json.loads(EXAMPLE.read_text(encoding="utf-8"))
    document["ParameterGroups"][1]["Parameters"][0]["Def"] = 25
    document["AdvUserSeq"]["Comments"][0]["contents"] = "ADD: adds"
    path = directory / "E_1.json"
    path.write_text(json.dumps(document), encoding="utf-8")
    shutil.copyfile(EXAMPLE.with_name("M1_1_05_Title.json"), directory / "E_1_Title.json")
    return path


def test_diff_agrees_with_the_tool_and_strict_convert_refuses(tmp_path):
    edited = edited_example(tmp_path)
    changes = vqdf.diff(EXAMPLE, vqdf.load(edited))
    assert len(changes) == 2
    assert changes == json.loads(run_vqdf("diff", "--json", EXAMPLE, edited)[1])

    losses = vqdf.convert(vqdf.load(EXAMPLE), tmp_path / "py.inv")
    assert (tmp_path / "py.inv").read_bytes() == LEGACY.read_bytes()
    # The format asked for wins over the name's.
    vqdf.convert(EXAMPLE, tmp_path / "named.json", format="inv")
    assert (tmp_path / "named.json").read_bytes() == LEGACY.read_bytes()
    vqdf.convert(LEGACY, tmp_path / "P_1.inv", format="json")
    assert vqdf.load(tmp_path / "P_1.inv").format == "json"
    with pytest.raises(vqdf.WriteError) as refused:
        vqdf.convert(EXAMPLE, tmp_path / "strict.inv", strict=True)
    assert refused.value.losses == losses
    assert not (tmp_path / "strict.inv").exists()


def test_each_error_has_its_type_and_cause(tmp_path):
    (tmp_path / "P_1.json").write_text('{\n "Units": [}\n')
    (tmp_path / "N_1.json").write_text("{}")
    (tmp_path / "D_1.json").mkdir()
    # A file the system cannot give is the OSError it reported as well.
    with pytest.raises(FileNotFoundError) as missing:
        vqdf.load(tmp_path / "none.json")
    assert (missing.value.errno, missing.value.filename) == (2, str(tmp_path / "none.json"))
    with pytest.raises(IsADirectoryError):
        vqdf.load(tmp_path / "D_1.json")
    (tmp_path / "S_1.json").write_text("{}")
    (tmp_path / "S_1.json").chmod(0)
    if os.geteuid() != 0:
        with pytest.raises(PermissionError):
            vqdf.load(tmp_path / "S_1.json")
    loads = [
        (tmp_path / "none.json", "unreadable", "", "No such file or directory"),
        (tmp_path / "D_1.json", "unreadable", "", "Is a directory"),
        (tmp_path / "P_1.json", "parse-error", "2:12",
         "this is no JSON value (RapidJSON: Invalid value.)"),
        (tmp_path / "N_1.json", "missing-document", "", "the titles document does not exist"),
    ]
    for path, kind, place, reason in loads:
        with pytest.raises(vqdf.LoadError) as raised:
            vqdf.load(path)
        assert (raised.value.kind, raised.value.place, raised.value.reason) == (kind, place, reason)
    with pytest.raises(vqdf.FormatError):
        vqdf.convert(EXAMPLE, tmp_path / "out.txt")
    with pytest.raises(vqdf.WriteError, match="No such file or directory"):
        vqdf.convert(EXAMPLE, tmp_path / "missing" / "out.inv")
    with pytest.raises(vqdf.LoadError):
        vqdf.diff(EXAMPLE, tmp_path / "none.json")


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_a_thousand_loads_leave_memory_flat():
    for _ in range(50):
        vqdf.load(EXAMPLE).groups
    before = resident_bytes()
    for _ in range(1000):
        vqdf.load(EXAMPLE).groups
    assert resident_bytes() - before < 4 << 20


def test_the_readme_example_writes_the_parameter_table(tmp_path):
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    section = readme.split("\n## Python\n", 1)[1].split("\n## ", 1)[0]
    code = "\n".join(line[4:] for line in section.split("\n    import csv", 1)[1].split("\n\n`")[0]
                     .splitlines())
    shutil.copytree(ROOT / "examples", tmp_path / "examples")
    cwd = os.getcwd()
    os.chdir(tmp_path)
    try:
        exec("import csv" + code, {})
    finally:
        os.chdir(cwd)
    rows = (tmp_path / "parameters.csv").read_text(encoding="utf-8").splitlines()
    assert len(rows) == 1 + 303
    assert rows[1 + 31 + 5] == "1,5,Rated Curr,3.6,1.0,200.0,A,0x1105"
