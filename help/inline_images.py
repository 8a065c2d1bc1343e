#!/usr/bin/env python3
"""Writes the help document with its pictures inside it.

The source refers to the pictures in docs/ by relative paths, so that it reads well from the
source tree; the copy beside the program carries each picture as a data: URL, so that it is
one file that needs nothing else. Usage: inline_images.py SOURCE TARGET
"""
import base64
import pathlib
import re
import sys


def main():
    source, target = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    html = source.read_text(encoding="utf-8")

    def inline(match):
        picture = (source.parent / match.group(1)).resolve()
        if not picture.is_file():
            sys.exit(f"{source}: the picture {match.group(1)} does not exist")
        data = base64.b64encode(picture.read_bytes()).decode("ascii")
        return f'src="data:image/png;base64,{data}"'

    target.write_text(re.sub(r'src="([^":]+\.png)"', inline, html), encoding="utf-8")


if __name__ == "__main__":
    main()
