#!/usr/bin/env bash
# Times our readers against docx2txt (.docx) and catdoc (.doc) extracting the text of the same
# documents, and reports wall time and peak memory of each. Needs: LibreOffice (for the corpus),
# docx2txt and catdoc (apt-get install docx2txt catdoc), and a release build of office_extract.
#   run.sh BUILD_DIR [CORPUS_DIR]     BUILD_DIR holds bench/office/office_extract
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ours=$1/bench/office/office_extract
corpus=${2:-/tmp/office-corpus}
[ -d "$corpus/doc" ] || "$here/make_corpus.sh" "$corpus" 1000
cd "$corpus"
measure() {  # label, command...: prints seconds and peak resident kilobytes
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o /tmp/office-bench-time "$@" > /tmp/office-bench-out 2>/dev/null
  read -r secs kb < /tmp/office-bench-time
  printf '%-44s %8.2f s %8d KB  %s\n' "$label" "$secs" "$kb" "$(grep -c needlework /tmp/office-bench-out || true) lines with needlework"
}
measure "ours: 1000 .docx, text, one process" "$ours" --text docx/*.docx
measure "ours: 1000 .docx, text, a process each" bash -c "for f in docx/*.docx; do \"$ours\" --text \"\$f\"; done"
measure "docx2txt: 1000 .docx, a process each" bash -c 'for f in docx/*.docx; do docx2txt "$f" -; done'
measure "ours: 1000 .doc, text, one process" "$ours" --text doc/*.doc
measure "ours: 1000 .doc, text, a process each" bash -c "for f in doc/*.doc; do \"$ours\" --text \"\$f\"; done"
measure "catdoc: 1000 .doc, one process" catdoc doc/*.doc
measure "catdoc: 1000 .doc, a process each" bash -c 'for f in doc/*.doc; do catdoc "$f"; done'
"$ours" --find needlework docx/*.docx doc/*.doc
