dump writes every record of a small file; its output is the one kept in tests/golden.

  $ vqdf dump "$TESTDIR/T1_1_00.json" | diff - "$GOLDEN/dump_T1_1_00.json"

convert says on standard error what the target format does not keep, and exits 1; --strict then
writes nothing. Formats go by content in and by name, in any letter case, or --format out; "-" is
standard output. The parameter ids and the counts found by title come back from a legacy file as
JSON: they are added, not lost, and a legacy file converted to JSON and back is the same bytes.
The committed legacy example is what the writer makes of the JSON example.

  $ cp -r "$EXAMPLES" ex
  $ legacy=ex/DataFile/M1/M1_1_05.inv
  $ vqdf convert ex/M1_1_05.json A_1.INV
  vqdf: the legacy format keeps no device KeypadCommOffset32: 1 dropped
  vqdf: the legacy format keeps no parameter roles: 15 dropped
  vqdf: the legacy format keeps no function blocks: 20 dropped
  [1]
  $ cmp A_1.INV $legacy
  $ vqdf convert A_1.INV A_2.Json 2>&1 | grep -c 'vqdf: note: the JSON format adds parameter ids: 303 added ('
  1
  $ vqdf convert A_2.Json A_3.inv && cmp A_3.inv $legacy
  $ cp A_3.inv B_3.json && vqdf convert B_3.json - --format inv | cmp - $legacy
  $ vqdf convert ex/M1_1_05.json C_1.json
  $ ls | tee ../before.txt
  A_1.INV
  A_2.Json
  A_2_Title.json
  A_3.inv
  B_3.json
  C_1.json
  C_1_Title.json
  ex
  $ vqdf convert --strict ex/M1_1_05.json D_1.inv
  vqdf: the legacy format keeps no device KeypadCommOffset32: 1 dropped
  vqdf: the legacy format keeps no parameter roles: 15 dropped
  vqdf: the legacy format keeps no function blocks: 20 dropped
  vqdf: error: the legacy file would not keep every record; nothing is written
  [2]
  $ ls | diff ../before.txt -

A data file from standard input, with its titles document named; a converted file written through
a link to the file it names, which stays a link and keeps the file's mode.

  $ vqdf check - < ex/M1_1_05.json 2>/dev/null
  -: a JSON data file read from a stream has no titles document beside it: give it with --titles [missing-document]
  -: 1 finding, the load fails (1 missing-document)
  [2]
  $ vqdf --titles ex/M1_1_05_Title.json check - < ex/M1_1_05.json
  -: no findings
  $ vqdf dump $legacy > direct.txt && vqdf dump /dev/stdin < $legacy | cmp - direct.txt
  $ mkdir real && vqdf convert ex/M1_1_05.json real/L_1.json && chmod 600 real/L_1.json
  $ ln -s real/L_1.json L_1.json && vqdf convert ex/M1_1_05.json L_1.json
  $ stat -c '%F %a' L_1.json real/L_1.json
  symbolic link 777
  regular file 600

diff names what differs in the tables only a JSON file has, which its records do not hold, as a
line and in the JSON list; nothing differs between a file and its JSON copy.

  $ cp ex/M1_1_05_Title.json E_1_Title.json
  $ edit() { python3 -c "import json, sys; d = json.load(open('ex/M1_1_05.json')); $1; json.dump(d, open('E_1.json', 'w'))"; vqdf diff ex/M1_1_05.json E_1.json; echo "[$?]"; }
  $ edit 'd["SimpleScope"]["Enable"]["Parameters::id"] = 207'
  ~ parameter role 200 ParamId: 201 -> 207
  ~ parameter role 200 CommAddr: 0x2702 -> 0x272C
  [1]
  $ edit 'del d["ParameterGroups"][1]["Parameters"][3]'
  ~ group 1 ParameterCount: 29 -> 28
  - parameter 1/3 "Stop Mode"
  - parameter id 35 (ParamId 35, GroupNum 1, CodeNum 3)
  [1]
  $ edit 'd["AdvUserSeq"]["FunctionList"][0]["Expansion"][0]["IOTypes::id"] = 2'
  ~ function block expansion 101/0 IOTypeId: 1 -> 2
  [1]
  $ edit 'd["AdvUserSeq"]["Comments"][0]["contents"] = "ADD: adds"'
  ~ function block 101 Comment: "ADD: user sequence function block" -> "ADD: adds"
  [1]
  $ vqdf diff --json ex/M1_1_05.json E_1.json
  [
    {
      "change": "changed",
      "what": "function block",
      "key": "101",
      "field": "Comment",
      "before": "ADD: user sequence function block",
      "after": "ADD: adds"
    }
  ]
  [1]
  $ vqdf diff ex/M1_1_05.json C_1.json
  $ vqdf diff --json ex/M1_1_05.json $legacy | grep -c -e '"before": 8192,' -e '"before": {"Role":100,"ParamId":212,"CommAddr":5928}'
  2
