show reports every record of the example drive: its report is the one kept in tests/golden, and
every line fits the width lists wrap at (100 characters). A group is found by its number or, in any
letter case, by its title, and reads as it does in the whole report. Each test works on its own
copy of the examples: a compound file is opened exclusively.

  $ cp -r "$EXAMPLES" ex && cd ex
  $ vqdf show M1_1_05.json > all.txt; echo "[$?]"
  [0]
  $ diff all.txt "$GOLDEN/show_M1_1_05.txt"
  $ LC_ALL=C.UTF-8 wc -L < all.txt
  100
  $ vqdf show --group 1 M1_1_05.json > group.txt
  $ diff group.txt "$GOLDEN/show_M1_1_05_group1.txt"
  $ vqdf show M1_1_05.json --group bas | cmp - group.txt
  $ tail -n +2 group.txt > body.txt
  $ python3 -c 'print(open("body.txt").read() in open("all.txt").read())'
  True

The legacy example is the same drive, found by model and version: the sections both formats hold
read the same.

  $ sections='--section terminals,trips,messages,common,groups,init'
  $ vqdf show $sections --model M1 --version 1.05 --datafile-dir DataFile > legacy.txt
  $ head -n 1 legacy.txt
  DataFile/M1/M1_1_05.inv (legacy data file)
  $ vqdf show $sections M1_1_05.json | tail -n +2 | diff - <(tail -n +2 legacy.txt)

A damaged file is shown in proportion to what it holds.

  $ cp "$CORPUS/inv_parameters_beyond_stream.inv" . && vqdf show inv_parameters_beyond_stream.inv > damaged.txt
  $ grep -c 'and 429467 more entries the file does not hold, all zero' damaged.txt
  1
  $ test "$(wc -c < damaged.txt)" -lt 100000 && echo small
  small
