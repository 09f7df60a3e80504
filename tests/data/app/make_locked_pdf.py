#!/usr/bin/env python3
"""Makes locked.pdf: one page holding "secret word", encrypted with the user password "pw"
(AES-256, so it cannot be opened without a password). Needs qpdf. Run from this folder."""
import subprocess

content = b"BT /F1 12 Tf 50 800 Td (secret word) Tj ET\n"
objects = [
    b"<< /Type /Catalog /Pages 2 0 R >>",
    b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
    b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    b"<< /Length %d >>\nstream\n" % len(content) + content + b"endstream",
]
out = bytearray(b"%PDF-1.4\n")
offsets = []
for i, body in enumerate(objects):
    offsets.append(len(out))
    out += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
for off in offsets:
    out += b"%010d 00000 n \n" % off
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
with open("plain.tmp.pdf", "wb") as f:
    f.write(out)
subprocess.run(["qpdf", "--encrypt", "pw", "owner", "256", "--", "plain.tmp.pdf", "locked.pdf"], check=True)
subprocess.run(["rm", "plain.tmp.pdf"], check=True)
