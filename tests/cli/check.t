check names each finding with its place, the last line counts them by kind, and the exit status
is 1 for findings, 2 where the file does not load (its reason is then both a finding and the
error). A small data file, every section present and empty, whose titles document has a title cut
to its field and an id given twice:

  $ cat > M1_1_05.json <<'END'
  > {"Units": [], "Messages": [], "Device": {}, "IO": {}, "ParameterGroups": [],
  >  "CommonParameters": [], "Trips": {}, "InitOrder": [], "AdvUserSeq": {"BitPinTypes": [],
  >  "IOTypes": [], "Comments": [], "Groups": [], "FunctionList": []}}
  > END
  $ echo '{"Titles": [{"id": 1, "Text": "a title of more than twenty-nine bytes"},
  > {"id": 1, "Text": "again"}]}' > M1_1_05_Title.json
  $ vqdf check M1_1_05.json; echo "[$?]"
  M1_1_05_Title.json:/Titles/0/Text: the text is cut to fit its field of 29 bytes [text-cut]
  M1_1_05_Title.json:/Titles/1/id: title 1 is given again [duplicate-id]
  M1_1_05.json: 2 findings (1 duplicate-id, 1 text-cut)
  [1]
  $ vqdf check --summary M1_1_05.json
  M1_1_05.json: 2 findings (1 duplicate-id, 1 text-cut)
  [1]
  $ vqdf check M1_1_05.json --json
  [
    {
      "kind": "text-cut",
      "severity": "error",
      "file": "M1_1_05_Title.json",
      "place": "/Titles/0/Text",
      "message": "the text is cut to fit its field of 29 bytes"
    },
    {
      "kind": "duplicate-id",
      "severity": "error",
      "file": "M1_1_05_Title.json",
      "place": "/Titles/1/id",
      "message": "title 1 is given again"
    }
  ]
  [1]
  $ vqdf --verbose dump M1_1_05.json 2>&1 >/dev/null
  vqdf: trace: M1_1_05.json: loaded in 0\.\d+ s (re)
  $ vqdf check --verbose M1_1_05.json 2>&1 >/dev/null
  vqdf: trace: M1_1_05.json: loaded in 0\.\d+ s (re)
  [1]
  $ vqdf dump M1_1_05.json 2>&1 >/dev/null

Both examples are clean.

  $ cp -r "$EXAMPLES" ex
  $ (cd ex && vqdf check M1_1_05.json && vqdf check DataFile/M1/M1_1_05.inv)
  M1_1_05.json: no findings
  DataFile/M1/M1_1_05.inv: no findings

A file that does not parse, one without its titles document, one without a section it needs:
the load fails. A group without its parameter list is found and the load goes on; the section
missing after it is why the load fails.

  $ printf '{\n "Units": [}\n' > P_1.json
  $ vqdf check P_1.json; echo "[$?]"
  vqdf: error: P_1.json:2:12: this is no JSON value (RapidJSON: Invalid value.)
  P_1.json:2:12: this is no JSON value (RapidJSON: Invalid value.) [parse-error]
  P_1.json: 1 finding, the load fails (1 parse-error)
  [2]
  $ cp M1_1_05.json N_1.json
  $ vqdf check N_1.json; echo "[$?]"
  vqdf: error: N_1_Title.json: the titles document does not exist
  N_1_Title.json: the titles document does not exist [missing-document]
  N_1.json: 1 finding, the load fails (1 missing-document)
  [2]
  $ edit='import json, sys; d = json.load(open(sys.argv[1])); del d["ParameterGroups"][2]["Parameters"]; del d["Trips"]; json.dump(d, open(sys.argv[2], "w"))'
  $ python3 -c "$edit" ex/M1_1_05.json G_1.json; cp ex/M1_1_05_Title.json G_1_Title.json
  $ vqdf check G_1.json; echo "[$?]"
  vqdf: error: G_1.json:/Trips: the required section is missing
  G_1.json:/ParameterGroups/2/Parameters: the group has no parameter list: it keeps no parameters [missing-section]
  G_1.json:/Trips: the required section is missing [missing-section]
  G_1.json: 2 findings, the load fails (2 missing-section)
  [2]

Legacy files of the corpus with a storage or stream missing or a stream cut short; the rules'
findings can be left out or raised by name, and a warning alone is no failure.

  $ mkdir corpus && cp "$CORPUS"/inv_missing_streams.inv "$CORPUS"/inv_parameters_beyond_stream.inv corpus
  $ cd corpus
  $ vqdf check --ignore default-outside-limits,group-repeated --ignore title-empty inv_missing_streams.inv; echo "[$?]"
  inv_missing_streams.inv:/Trip Spec: the storage is missing: its records stay zero [missing-storage]
  inv_missing_streams.inv:/Message Spec/Msg Title: the stream is missing [missing-stream]
  inv_missing_streams.inv:/Common Spec/Common Info: the stream is missing [missing-stream]
  inv_missing_streams.inv:/Parameter Spec/Group-*: 1 of the 10 group storages are missing: their groups stay zero [missing-storage]
  inv_missing_streams.inv: 4 findings (2 missing-storage, 2 missing-stream)
  [1]
  $ vqdf check inv_missing_streams.inv | tail -n 2
  inv_missing_streams.inv:/Parameter Spec/Group-3/Group Info: warning: group 0 has no title [title-empty]
  inv_missing_streams.inv: 8 findings, 1 of them a warning (2 default-outside-limits, 1 group-repeated, 2 missing-storage, 2 missing-stream, 1 title-empty)
  $ vqdf check --ignore default-outside-limits,group-repeated,missing-storage,missing-stream inv_missing_streams.inv
  inv_missing_streams.inv:/Parameter Spec/Group-3/Group Info: warning: group 0 has no title [title-empty]
  inv_missing_streams.inv: 1 finding, a warning (1 title-empty)
  $ vqdf check --json --summary inv_missing_streams.inv
  {
    "file": "inv_missing_streams.inv",
    "loads": true,
    "findings": 8,
    "errors": 7,
    "warnings": 1,
    "kinds": {
      "default-outside-limits": 2,
      "group-repeated": 1,
      "missing-storage": 2,
      "missing-stream": 2,
      "title-empty": 1
    }
  }
  [1]
  $ vqdf check --error no-such inv_missing_streams.inv; echo "[$?]"
  vqdf: error: no rule or finding kind is named "no-such": vqdf check --rules lists them
  [2]
  $ vqdf check inv_parameters_beyond_stream.inv | grep short-stream; echo "[${PIPESTATUS[0]}]"
  inv_parameters_beyond_stream.inv:/Parameter Spec/Group-1/Parameter: the stream holds 2900 of the 42949600 bytes its count needs: the rest stays zero [short-stream]
  inv_parameters_beyond_stream.inv: 4 findings (2 default-outside-limits, 1 short-stream, 1 value-not-named)
  [1]

The version, and the help with the exit statuses every command shares.

  $ vqdf --version | grep -c -x "vqdf $VQDF_VERSION"
  1
  $ vqdf --help | grep -c 'Exit status, the same for every command:'
  1
