"""What a load finds and what the rules find, at the element each concerns, as the package and the
tool give them. A load's findings: each case of finding_cases.json, a small document with one
section replaced, gives its finding where a range ends (the last value inside gives none, the first
outside gives one). The rules: the example with the edits of one case of rule_cases.json gives the
findings the case lists (rule and place, in order), and no other; an edit at the edge of a rule
gives none; the legacy twin of each edited file gives the same rules at its own places. Needs
VQDF_PROGRAM."""
import json
import shutil
from pathlib import Path

import pytest

import vqdf
from drives import EXAMPLE, run_vqdf

HERE = Path(__file__).resolve().parent
CASES = json.loads((HERE / "rule_cases.json").read_text(encoding="utf-8"))
LOADS = json.loads((HERE / "finding_cases.json").read_text(encoding="utf-8"))
RULES = {rule["name"]: rule["severity"] for rule in vqdf.rules() if rule["source"] == "rule"}


def edited(document, edits):
    """The document with each (JSON Pointer, value) edit made in turn; a value of None removes
    what the pointer names, and "-" as the last step adds to the end of a list."""
    for pointer, value in edits:
        *path, last = pointer.split("/")[1:]
        node = document
        for step in path:
            node = node[int(step) if isinstance(node, list) else step]
        if isinstance(node, list) and last == "-":
            node.append(value)
        elif value is None:
            del node[int(last) if isinstance(node, list) else last]
        else:
            node[int(last) if isinstance(node, list) else last] = value
    return document


def tool_findings(path):
    return json.loads(run_vqdf("check", "--json", path)[1])


@pytest.mark.parametrize("case", LOADS["cases"], ids=lambda case: f"{case['section']}={case['value']}")
def test_each_range_ends_where_its_findings_begin(case, tmp_path):
    document = {**LOADS["base"], case["section"]: case["value"]}
    path = tmp_path / "M1_1_05.json"
    path.write_text(json.dumps({k: v for k, v in document.items() if v is not None}), encoding="utf-8")
    (tmp_path / "M1_1_05_Title.json").write_text(json.dumps(LOADS["titles"]), encoding="utf-8")
    try:
        findings = vqdf.load(path).findings
    except vqdf.LoadError as failed:
        findings = failed.findings
    lines = [f"{f['place']}: {f['message']} [{f['kind']}]" for f in findings if f["kind"] not in RULES]
    assert case["finding"] in lines if case["finding"] else lines == []
    assert tool_findings(path) == findings


def rule_findings(drive):
    found = [f for f in drive.findings if f["kind"] in RULES]
    assert all(f["severity"] == RULES[f["kind"]] and f["file"] == drive.path for f in found)
    return found


@pytest.mark.parametrize("case", CASES, ids=lambda case: " ".join(f"{p}={v}" for p, v in case["edits"]))
def test_each_edit_breaks_its_rule_at_its_place_and_no_other(case, tmp_path):
    path = tmp_path / "M1_1_05.json"
    path.write_text(json.dumps(edited(json.loads(EXAMPLE.read_text(encoding="utf-8")), case["edits"])),
                    encoding="utf-8")
    shutil.copy(EXAMPLE.with_name("M1_1_05_Title.json"), tmp_path)
    drive = vqdf.load(path)
    found = rule_findings(drive)
    assert [[f["kind"], f["place"]] for f in found] == case["json"]
    if "message" in case:
        assert found[0]["message"] == case["message"]
    assert tool_findings(path) == drive.findings

    vqdf.convert(drive, tmp_path / "M1_1_05.inv")
    twin = rule_findings(vqdf.load(tmp_path / "M1_1_05.inv"))
    assert [[f["kind"], f["place"]] for f in twin] == case["legacy"]
    assert case.get("legacyDiffers") or len(twin) == len(found)


def test_every_rule_is_shown_firing():
    fired = {kind for case in CASES for kind, _ in case["json"] + case["legacy"]}
    assert set(RULES) <= fired
