Each file of sections/ is a small data file about one section, with its titles document; its dump
is the one kept in tests/golden/sections: what the section readers make of it, field by field. (A
sanitized vqdf warns where a file asks for more memory than there is: its standard error is left
out, its dump says the rest.) The same for the small legacy files of legacy/, each built stream
by stream: split streams, the message walk, group storages found by name, short, cut and missing
streams.
(After an intended change: for f in *.json, build/vqdf dump f > ../../golden/sections/f; and
so for legacy/.)

  $ cd "$TESTDIR/sections"
  $ for file in $(ls *.json | grep -v _Title.json); do
  >     vqdf dump "$file" 2>/dev/null | diff -u "$GOLDEN/sections/$file" - || echo "$file differs"
  > done
  $ ls *.json | grep -v -c _Title.json
  20

A legacy file is opened exclusively: each is read from a copy of this transcript's own.

  $ cd "$(mktemp -d)" && cp "$TESTDIR"/legacy/*.inv .
  $ for file in *.inv; do
  >     vqdf dump "$file" | diff -u "$GOLDEN/legacy/${file%.inv}.json" - || echo "$file differs"
  > done
  $ ls *.inv | wc -l
  9
