#!/usr/bin/env python3
"""Turns src/foundation/texts.def (UTF-8) into src/foundation/texts.h (CP932 byte strings).

The program works in CP932 bytes throughout; keeping its own texts in one
generated header means no escaped byte sequence is ever typed by hand.
"""
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
SOURCE = ROOT / "src" / "foundation" / "texts.def"
TARGET = ROOT / "src" / "foundation" / "texts.h"


def c_literal(data: bytes) -> str:
    pieces = []
    after_hex = False
    for b in data:
        ch = chr(b)
        if b == 0x0A:
            piece = "\\n"
        elif b in (0x22, 0x5C):
            piece = "\\" + ch
        elif 0x20 <= b < 0x7F:
            # A hex escape would swallow a hex digit that follows it.
            piece = ('" "' + ch) if after_hex and ch in "0123456789abcdefABCDEF" else ch
        else:
            piece = "\\x%02x" % b
        after_hex = piece.startswith("\\x")
        pieces.append(piece)
    return '"' + "".join(pieces) + '"'


def main() -> int:
    lines = [
        "// The program's own texts as CP932 byte strings, generated from texts.def by",
        "// tools/gen_texts/gen_texts.py. Do not edit: edit texts.def and run the script.",
        "#pragma once",
        "",
        "namespace text {",
        "",
    ]
    for raw in SOURCE.read_text(encoding="utf-8").splitlines():
        if not raw.strip():
            lines.append("")
            continue
        if raw.startswith("#"):
            lines.append("//" + raw[1:])
            continue
        name, _, value = raw.partition(" ")
        value = value.strip().replace("\\n", "\n")
        encoded = value.encode("cp932")
        lines.append("// " + value.replace("\n", "\\n"))
        lines.append("inline constexpr char %s[] = %s;" % (name, c_literal(encoded)))
    lines += ["", "}  // namespace text", ""]
    # Collapse runs of blank lines that the table's spacing leaves.
    result = "\n".join(lines)
    while "\n\n\n" in result:
        result = result.replace("\n\n\n", "\n\n")
    TARGET.write_text(result, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
