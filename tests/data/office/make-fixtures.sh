#!/usr/bin/env bash
# Makes the office fixtures of this folder with Debian's LibreOffice
# (apt-get install libreoffice-writer-nogui libreoffice-calc-nogui):
#   sample.doc, sample.docx  from sample.fodt (Latin, CJK, Greek/Cyrillic text; a deleted
#                            revision "Struckoutword"; a hyperlink field whose code holds
#                            "fieldcodeurl"; a PAGE field; a tab and a line break)
#   sample.wps               a copy of sample.doc: a WPS document is the same Word binary
#                            compound file under another extension (LibreOffice cannot write .wps)
#   sample.xls               from sample.fods
set -euo pipefail
cd "$(dirname "$0")"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
soffice --headless --convert-to doc:"MS Word 97" --outdir "$out" sample.fodt >/dev/null
soffice --headless --convert-to docx:"MS Word 2007 XML" --outdir "$out" sample.fodt >/dev/null
soffice --headless --convert-to xls:"MS Excel 97" --outdir "$out" sample.fods >/dev/null
cp "$out/sample.doc" "$out/sample.docx" "$out/sample.xls" .
cp sample.doc sample.wps
