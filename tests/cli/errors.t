Whatever goes wrong exits 2 with its cause on standard error and nothing on standard output: the
system's reason for a file that cannot be read or written, the parse error in plain words, the
usage error.

  $ cp "$CORPUS/json_valid.json" S_1.json; cp "$CORPUS/json_valid_Title.json" S_1_Title.json
  $ printf '{\n "Units": [}\n' > P_1.json
  $ printf 'not a compound file\n' > B_1.inv
  $ printf '\xEF\xBB\xBF{}' > U_1.json; cp S_1_Title.json U_1_Title.json
  $ cp S_1.json N_1.json
  $ drop_trips='import json, sys; d = json.load(open(sys.argv[1])); del d["Trips"]; json.dump(d, open(sys.argv[2], "w"))'
  $ python3 -c "$drop_trips" S_1.json T_1.json; echo '{"Titles": []}' > T_1_Title.json
  $ mkdir D_1.json W_1_Title.json
  $ head -c 3000 "$EXAMPLES/DataFile/M1/M1_1_05.inv" > C_1.inv
  $ ln -s L_2.json L_1.json; ln -s L_1.json L_2.json
  $ fails() { err="$(vqdf "$@" 2>&1 >out.txt)"; echo "[$?] $err"; cat out.txt; }

  $ fails show nofile.json
  [2] vqdf: error: nofile.json: No such file or directory
  $ fails show L_1.json
  [2] vqdf: error: L_1.json: Too many levels of symbolic links
  $ fails dump D_1.json
  [2] vqdf: error: D_1.json: Is a directory
  $ fails check /proc/self/mem
  [2] vqdf: error: /proc/self/mem: Input/output error
  $ fails dump P_1.json
  [2] vqdf: error: P_1.json:2:12: this is no JSON value (RapidJSON: Invalid value.)
  $ fails dump U_1.json
  [2] vqdf: error: U_1.json:1:1: the file begins with a byte-order mark, not with its JSON text (RapidJSON: Invalid value.)
  $ fails show N_1.json
  [2] vqdf: error: N_1_Title.json: the titles document does not exist
  $ fails show T_1.json
  [2] vqdf: error: T_1.json:/Trips: the required section is missing
  $ fails show B_1.inv
  [2] vqdf: error: B_1.inv: the file cannot be opened: it is no compound file: it begins with "not a compound f"
  $ fails show C_1.inv
  [2] vqdf: error: C_1.inv: the file cannot be opened: the compound file is damaged: * (glob)
  $ fails read --tcp 127.0.0.1:1 --rtu /dev/null S_1.json
  [2] vqdf: error: give --tcp or --rtu, not both
  $ fails read --tcp 127.0.0.1:99999 S_1.json
  [2] vqdf: error: --tcp 127.0.0.1:99999: 99999 is not a TCP port (1 to 65535)
  $ fails read --tcp host.invalid S_1.json
  [2] vqdf: error: cannot find the host host.invalid: * (glob)
  $ fails read --tcp 127.0.0.1:1 --baud 9600 S_1.json
  [2] vqdf: error: --baud and --parity are for a serial line (--rtu), not --tcp
  $ fails read --rtu /dev/null --unit 0 S_1.json
  [2] vqdf: error: --unit 0 is not a drive's slave id (1 to 247; 0 is a broadcast, which no drive answers)
  $ fails read --rtu /dev/null --baud 0 S_1.json
  [2] vqdf: error: --baud 0 is not a serial line's speed (1200, 2400, ... 115200)
  $ fails read --tcp 127.0.0.1:1 --timeout -1 S_1.json
  [2] vqdf: error: --timeout takes the seconds to wait for an answer, above 0 and at most 3600
  $ fails read --tcp 127.0.0.1:1 --retries -1 S_1.json
  [2] vqdf: error: --retries takes the further attempts of a request, 0 to 100
  $ fails watch --tcp 127.0.0.1:1 --interval nan S_1.json
  [2] vqdf: error: --interval takes seconds above 0, --count 0 (no end) or more, --give-up seconds from 0
  $ fails write S_1.json 1/6
  [2] vqdf: error: give the value to write after 1/6, or the data file before it
  $ fails convert S_1.json W_1.json
  [2] vqdf: error: cannot write W_1_Title.json: Is a directory
  $ fails show --model M9 --version 1.0 --datafile-dir DataFile
  [2] vqdf: error: DataFile/M9/M9_1_0.inv: No such file or directory
  $ fails show --group 42 S_1.json
  [2] vqdf: error: S_1.json: no group numbered or titled "42"
  $ fails convert S_1.json missing-dir/X_1.inv
  [2] vqdf: error: cannot write missing-dir/X_1.inv: No such file or directory
  $ fails convert S_1.json /proc/X_1.json
  [2] vqdf: error: cannot write /proc/X_1.json: * (glob)
  $ fails convert S_1.json X_1.txt
  [2] vqdf: error: cannot tell the format to write X_1.txt: name it .json or .inv, or give --format json or --format inv
  $ fails convert S_1.json -
  [2] vqdf: error: cannot tell the format to write to standard output: name it .json or .inv, or give --format json or --format inv
  $ fails convert S_1.json - --format json
  [2] vqdf: error: a JSON data file comes with its titles document: give it a file name
  $ fails diff S_1.json nofile.json
  [2] vqdf: error: nofile.json: No such file or directory
  $ fails shwo S_1.json
  [2] vqdf: error: unknown command "shwo"; did you mean "show"?
  Run with --help for more information.
  $ fails
  [2] vqdf: error: give a command: show, dump, check, convert, diff, schema, read, watch, write, backup, restore, compare or simulate
  Run with --help for more information.
  $ fails show
  [2] vqdf: error: give FILE, or --model and --version
  $ fails compare
  [2] vqdf: error: give FILE, or --model and --version
  $ fails compare S_1.json --defaults
  [2] vqdf: error: give two things to compare: the drive (--tcp or --rtu) or a set, and a set or --defaults
  $ fails restore S_1.json set.json
  [2] vqdf: error: give the drive's place: --tcp HOST[:PORT] or --rtu DEVICE
  $ fails show S_1.json --model M1 --version 1.05
  [2] vqdf: error: give FILE or --model and --version, not both
  $ fails show --model M1
  [2] vqdf: error: --model requires --version
  Run with --help for more information.
  $ fails show --bogus S_1.json
  [2] vqdf: error: The following argument was not expected: --bogus
  Run with --help for more information.
  $ fails diff S_1.json
  [2] vqdf: error: B is required
  Run with --help for more information.

A full standard output is an error of its own; nothing is left in a folder a file could not be
written to.

  $ vqdf dump S_1.json > /dev/full; echo "[$?]"
  vqdf: error: cannot write standard output: No space left on device
  [2]
  $ vqdf check S_1.json > /dev/full; echo "[$?]"
  vqdf: error: cannot write standard output: No space left on device
  [2]
  $ ls D_1.json W_1_Title.json
  D_1.json:
  
  W_1_Title.json:
