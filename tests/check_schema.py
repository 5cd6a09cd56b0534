#!/usr/bin/python3
"""Validates the example data file and its titles document against the schemas `vqdf schema`
prints, with an independent validator (Debian's python3-jsonschema), and checks that a copy of
the example with one wrongly typed member fails at that member.
Usage: check_schema.py VQDF EXAMPLES_DIR"""
import copy
import json
import subprocess
import sys

from jsonschema import Draft202012Validator


def schema(vqdf, *arguments):
    text = subprocess.run([vqdf, "schema", *arguments], check=True, capture_output=True).stdout
    document = json.loads(text)
    Draft202012Validator.check_schema(document)
    return Draft202012Validator(document)


def set_member(path, value):
    def edit(document):
        *parents, last = path
        for part in parents:
            document = document[part]
        if value is DELETE:
            del document[last]
        else:
            document[last] = value
    return edit


DELETE = object()

# Each edit of the data file, by the path of the member it breaks.
DATA_EDITS = [
    (("ParameterGroups", 1, "Parameters", 0, "Def"), "20"),       # text for a number
    (("ParameterGroups", 1, "Parameters", 0, "Attr"), 0),         # a number for hexadecimal text
    (("Device", "ParaSaveCommAddr"), "0x03G0"),                   # not hexadecimal
    (("Device",), []),                                            # an array for an object
    (("Units",), {}),                                             # an object for an array
    (("Units", 0, "Text"), None),                                 # null for text
    (("Trips",), DELETE),                                         # a required section missing
    (("AdvUserSeq", "FunctionList", 0, "Name"), DELETE),          # a required member missing
    (("InitOrder", 0, "Parameter::id"), 9.5),                     # a fraction for an id
    (("IO", "Input", "TotalNumOfBasic"), True),                   # a boolean for a number
]

TITLES_EDITS = [
    (("Titles", 0, "Text"), 5),
    (("Titles", 0, "id"), "1"),
    (("Titles",), DELETE),
]


def check(validator, name, document, edits):
    problems = []
    errors = list(validator.iter_errors(document))
    if errors:
        problems.append(f"{name} does not validate: {errors[0].message}")
    for path, value in edits:
        broken = copy.deepcopy(document)
        set_member(path, value)(broken)
        found = list(validator.iter_errors(broken))
        if not found:
            problems.append(f"{name} with {'/'.join(map(str, path))} = {value!r} validates")
    return problems


def main():
    vqdf, examples = sys.argv[1], sys.argv[2]
    with open(f"{examples}/M1_1_05.json", encoding="utf-8") as f:
        data = json.load(f)
    with open(f"{examples}/M1_1_05_Title.json", encoding="utf-8") as f:
        titles = json.load(f)
    problems = check(schema(vqdf), "M1_1_05.json", data, DATA_EDITS)
    problems += check(schema(vqdf, "--titles"), "M1_1_05_Title.json", titles, TITLES_EDITS)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
