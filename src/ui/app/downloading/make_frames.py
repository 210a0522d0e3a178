#!/usr/bin/env python3
"""Draws the download window's animation: a sheet of paper travelling from the server (left) to
the computer (right), in eight frames. Run it again after changing the drawing; the frames are
plain SVG files compiled into the program as resources."""

from pathlib import Path

FRAMES = 8
WIDTH, HEIGHT = 272, 60

SERVER = """
  <rect x="8" y="10" width="36" height="42" rx="3" fill="#3b6e8f"/>
  <rect x="13" y="16" width="26" height="6" rx="1" fill="#9adef8"/>
  <rect x="13" y="26" width="26" height="6" rx="1" fill="#9adef8"/>
  <circle cx="35" cy="44" r="2.5" fill="#7fe07f"/>"""

COMPUTER = """
  <rect x="214" y="12" width="48" height="32" rx="3" fill="#3b6e8f"/>
  <rect x="219" y="17" width="38" height="22" fill="#ffffff"/>
  <rect x="232" y="44" width="12" height="5" fill="#3b6e8f"/>
  <rect x="224" y="49" width="28" height="4" rx="1" fill="#3b6e8f"/>"""


def sheet(x: float, lift: float) -> str:
    y = 20 - lift
    lines = "".join(
        f'<line x1="{x + 4:.1f}" y1="{y + 6 + 5 * i:.1f}" x2="{x + 16:.1f}" y2="{y + 6 + 5 * i:.1f}" '
        'stroke="#8aa0b0" stroke-width="1.5"/>'
        for i in range(3)
    )
    return (f'<path d="M{x:.1f} {y:.1f} h14 l6 6 v18 h-20 z" fill="#ffffff" stroke="#3b6e8f" '
            f'stroke-width="1.5"/>{lines}')


def frame(index: int) -> str:
    start, end = 56, 186
    x = start + (end - start) * index / (FRAMES - 1)
    # The sheet flies in a low arc between the two machines.
    progress = index / (FRAMES - 1)
    lift = 10 * 4 * progress * (1 - progress)
    dots = "".join(f'<circle cx="{56 + 18 * i}" cy="50" r="2" fill="#3b6e8f" opacity="0.35"/>'
                   for i in range(9))
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
            f'viewBox="0 0 {WIDTH} {HEIGHT}">{SERVER}{COMPUTER}{dots}{sheet(x, lift)}</svg>\n')


def main() -> None:
    here = Path(__file__).parent
    for index in range(FRAMES):
        (here / f"frame{index + 1}.svg").write_text(frame(index))


if __name__ == "__main__":
    main()
