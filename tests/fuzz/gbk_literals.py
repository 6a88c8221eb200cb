#!/usr/bin/env python3
"""Copies C++ sources with every narrow string and character literal re-encoded as GBK escapes.

The program is compiled with -fexec-charset=GB18030, so "请输入关键字！" is GBK bytes in the binary.
Clang has no such option: the fuzzing build compiles copies in which each non-ASCII character of
a narrow literal is written as octal escapes of its GB18030 bytes. Wide and UTF literals (L"",
u"", U"", u8"") and comments are copied unchanged.

usage: gbk_literals.py SOURCE_ROOT OUTPUT_ROOT RELATIVE_PATH...
"""
import os
import sys


def convert(text):
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(text[i:j])
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(text[i:j])
            i = j
        elif c in "\"'":
            # The prefix, if any, was copied already: look back at it.
            k = i
            while k > 0 and (text[k - 1].isalnum() or text[k - 1] == "_"):
                k -= 1
            prefix = text[k:i]
            if c == "'" and prefix[:1].isdigit():  # a digit separator, as in 1'000
                out.append(c)
                i += 1
                continue
            if prefix.endswith("R"):
                raise SystemExit("raw string literals are not supported: " + text[k:i + 20])
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            body = text[i + 1:j]
            if prefix[-1:] not in ("L", "u", "U", "8"):
                body = "".join(ch if ord(ch) < 0x80 else
                               "".join("\\%03o" % b for b in ch.encode("gb18030")) for ch in body)
            out.append(c + body + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main():
    source_root, output_root, *paths = sys.argv[1:]
    for path in paths:
        with open(os.path.join(source_root, path), encoding="utf-8") as f:
            text = convert(f.read())
        target = os.path.join(output_root, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        # Unchanged files keep their time, so the build does not redo them.
        if os.path.exists(target):
            with open(target, encoding="utf-8") as f:
                if f.read() == text:
                    continue
        with open(target, "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
