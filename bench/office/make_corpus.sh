#!/usr/bin/env bash
# Makes the benchmark corpus: N small word-processing documents (default 1000), each saved by
# LibreOffice as .doc and as .docx, in the folder given (created if needed). Each document has a
# few paragraphs of Latin and CJK text; every tenth holds the word "needlework".
#   make_corpus.sh OUTDIR [N]
set -euo pipefail
out=$1
n=${2:-1000}
mkdir -p "$out/src" "$out/doc" "$out/docx"
for ((i = 0; i < n; i++)); do
  extra=""
  if ((i % 10 == 0)); then extra="<text:p>This one mentions needlework number $i.</text:p>"; fi
  cat > "$out/src/d$i.fodt" <<FODT
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:body><office:text>
  <text:p>Document $i: the quick brown fox jumps over the lazy dog, again and again.</text:p>
  <text:p>第$i号文档：中文关键词测试，检索文档内容，重复的句子用于填充。</text:p>
  <text:p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor $i.</text:p>
  $extra
  <text:p>Ut enim ad minim veniam, quis nostrud exercitation ullamco laboris nisi ut aliquip.</text:p>
 </office:text></office:body>
</office:document>
FODT
done
# LibreOffice stops partway through very long file lists: convert a hundred at a time.
(cd "$out/src" && ls ./*.fodt | xargs -n 100 soffice --headless --convert-to doc:"MS Word 97" --outdir ../doc >/dev/null 2>&1)
(cd "$out/src" && ls ./*.fodt | xargs -n 100 soffice --headless --convert-to docx:"MS Word 2007 XML" --outdir ../docx >/dev/null 2>&1)
echo "$(ls "$out/doc" | wc -l) .doc and $(ls "$out/docx" | wc -l) .docx in $out"
