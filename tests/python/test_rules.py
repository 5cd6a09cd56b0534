"""The rules over what a drive description means: the example with the edits of one case of
rule_cases.json gives the findings the case lists (rule and place, in order), and no other; an
edit at the edge of a rule gives none. The legacy twin of each edited file gives the same rules at
its own places, and the tool's check finds what the package finds. Needs VQDF_PROGRAM."""
import json
import os
import shutil
import subprocess
from pathlib import Path

import pytest

import vqdf

HERE = Path(__file__).resolve().parent
EXAMPLE = HERE.parents[1] / "examples" / "M1_1_05.json"
CASES = json.loads((HERE / "rule_cases.json").read_text(encoding="utf-8"))
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
    checked = subprocess.run([os.environ["VQDF_PROGRAM"], "check", "--json", path], capture_output=True)
    assert json.loads(checked.stdout) == drive.findings

    vqdf.convert(drive, tmp_path / "M1_1_05.inv")
    twin = rule_findings(vqdf.load(tmp_path / "M1_1_05.inv"))
    assert [[f["kind"], f["place"]] for f in twin] == case["legacy"]
    assert case.get("legacyDiffers") or len(twin) == len(found)


def test_every_rule_is_shown_firing():
    fired = {kind for case in CASES for kind, _ in case["json"] + case["legacy"]}
    assert set(RULES) <= fired
