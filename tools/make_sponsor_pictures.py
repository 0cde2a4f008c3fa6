#!/usr/bin/env python3
"""Draws the progress page's sponsor picture in every UI language and the
string table that carries each picture's SHA-256.

    make_sponsor_pictures.py OUT_DIR [--convert PROGRAM]

Writes OUT_DIR/OrunPromoPicture_<code>.jpg and OUT_DIR/digests.rc. The build
runs this, so a picture and the digest the launcher checks it against always
come from the same bytes.
"""
import argparse
import hashlib
import math
import os
import subprocess
import sys

# The picture control of the progress page, as progress_4007.bmp fills it.
WIDTH, HEIGHT = 470, 182
SCALE = 2  # drawn at twice the size and reduced, for smooth edges

# Headline font, line font. The CJK fonts come in one weight only; their
# headline gets a stroke of its own colour instead.
LATIN = ("DejaVu-Sans-Bold", "DejaVu-Sans")
JAPANESE = ("IPAPGothic", "IPAPGothic")
CHINESE_KOREAN = ("WenQuanYi-Micro-Hei", "WenQuanYi-Micro-Hei")

# code, LANGUAGE line of the string tables (as resources/strings), fonts,
# headline, line.
LANGUAGES = [
    ("en", "LANG_ENGLISH, SUBLANG_ENGLISH_US", LATIN,
     "Orun 1.9 is here", "Faster start-up, automatic updates"),
    ("zh", "LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED", CHINESE_KOREAN,
     "Orun 1.9 现已发布", "启动更快，自动更新"),
    ("ja", "LANG_JAPANESE, SUBLANG_DEFAULT", JAPANESE,
     "Orun 1.9 登場", "より速い起動、自動アップデート"),
    ("zh_TW", "LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL", CHINESE_KOREAN,
     "Orun 1.9 現已推出", "啟動更快，自動更新"),
    ("de", "LANG_GERMAN, SUBLANG_NEUTRAL", LATIN,
     "Orun 1.9 ist da", "Schnellerer Start, automatische Updates"),
    ("es", "LANG_SPANISH, SUBLANG_NEUTRAL", LATIN,
     "Llega Orun 1.9", "Inicio más rápido, actualizaciones automáticas"),
    ("fr", "LANG_FRENCH, SUBLANG_NEUTRAL", LATIN,
     "Voici Orun 1.9", "Démarrage plus rapide, mises à jour automatiques"),
    ("it", "LANG_ITALIAN, SUBLANG_NEUTRAL", LATIN,
     "Arriva Orun 1.9", "Avvio più rapido, aggiornamenti automatici"),
    ("ko", "LANG_KOREAN, SUBLANG_KOREAN", CHINESE_KOREAN,
     "Orun 1.9 출시", "더 빠른 시작, 자동 업데이트"),
    ("pt_BR", "LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN", LATIN,
     "Chegou o Orun 1.9", "Inicialização mais rápida, atualizações automáticas"),
    ("sv", "LANG_SWEDISH, SUBLANG_NEUTRAL", LATIN,
     "Orun 1.9 är här", "Snabbare start, automatiska uppdateringar"),
]

# Where the text may run, in drawing pixels: left of the update mark.
TEXT_LEFT = 56
TEXT_WIDTH = 620
HEADLINE_SIZE, LINE_SIZE = 54, 27


def file_name(code):
    return f"OrunPromoPicture_{code}.jpg"


def literal(text):
    # ImageMagick expands '%' and '\' escapes in annotate and label text.
    return text.replace("\\", "\\\\").replace("%", "%%")


def text_width(convert, font, size, text):
    out = subprocess.run([convert, "-font", font, "-pointsize", str(size), "label:" + literal(text),
                          "-format", "%w", "info:"], capture_output=True, text=True, check=True).stdout
    return int(out.strip())


def fitting_size(convert, font, size, text):
    """The largest size up to `size` at which the text stays on one line in its room."""
    while size > 12 and text_width(convert, font, size, text) > TEXT_WIDTH:
        size -= 1
    return size


def arrow_head(cx, cy, r, angle):
    """A head at that angle of the circle, pointing the way the angles grow."""
    a = math.radians(angle)
    radial, along = (math.cos(a), math.sin(a)), (-math.sin(a), math.cos(a))
    base = (cx + r * radial[0], cy + r * radial[1])
    points = [(base[0] + 22 * radial[0], base[1] + 22 * radial[1]),
              (base[0] - 22 * radial[0], base[1] - 22 * radial[1]),
              (base[0] + 26 * along[0], base[1] + 26 * along[1])]
    return " ".join(f"{x:.0f},{y:.0f}" for x, y in points)


def draw(convert, target, fonts, headline, line):
    bold, regular = fonts
    w, h = WIDTH * SCALE, HEIGHT * SCALE
    headline_size = fitting_size(convert, bold, HEADLINE_SIZE, headline)
    line_size = fitting_size(convert, regular, LINE_SIZE, line)
    # Two round arrows on a light disc: updates that come by themselves.
    cx, cy, r = 812, 176, 62
    mark = ["-fill", "rgba(255,255,255,0.12)", "-draw", f"circle {cx},{cy} {cx},{cy - 112}",
            "-fill", "none", "-stroke", "white", "-strokewidth", "14"]
    heads = []
    for start, end in ((200, 318), (20, 138)):
        mark += ["-draw", f"arc {cx - r},{cy - r} {cx + r},{cy + r} {start},{end}"]
        heads += ["-draw", "polygon " + arrow_head(cx, cy, r, end)]
    mark += ["-stroke", "none", "-fill", "white", *heads,
             "-fill", "rgba(255,176,59,0.95)", "-draw", f"circle {cx},{cy} {cx},{cy - 15}"]
    args = [
        convert, "-size", f"{h}x{w}", "gradient:#0b3d5c-#1d8a9a", "-rotate", "270", "-resize", f"{w}x{h}!",
        "(", "-size", f"{w}x{h}", "xc:none",
        "-fill", "rgba(255,255,255,0.07)", "-draw", "circle 930,400 930,130",
        "-fill", "rgba(255,255,255,0.06)", "-draw", "circle 640,-40 640,60",
        ")", "-composite",
        *mark,
        "-font", LATIN[0], "-pointsize", "20", "-fill", "rgba(255,176,59,1)", "-annotate", f"+{TEXT_LEFT + 2}+92",
        "KYN  ·  ORUN",
        "-font", bold, "-pointsize", str(headline_size), "-fill", "white",
        *(["-stroke", "white", "-strokewidth", "1.6"] if bold == regular else []),
        "-annotate", f"+{TEXT_LEFT}+170", literal(headline), "-stroke", "none",
        "-font", regular, "-pointsize", str(line_size), "-fill", "rgba(255,255,255,0.88)",
        "-annotate", f"+{TEXT_LEFT + 2}+228", literal(line),
        "-fill", "rgba(255,176,59,1)", "-draw", f"rectangle {TEXT_LEFT + 2},262 {TEXT_LEFT + 74},267",
        "-font", LATIN[1], "-pointsize", "19", "-fill", "rgba(255,255,255,0.62)",
        "-annotate", f"+{TEXT_LEFT + 2}+316", "orun.kyn.example",
        "-resize", f"{WIDTH}x{HEIGHT}!",
        # No dates, profiles or comments: the same drawing gives the same bytes.
        "-strip", "-colorspace", "sRGB", "-sampling-factor", "2x2", "-quality", "88", "-interlace", "none",
        "JPEG:" + target,
    ]
    subprocess.run(args, check=True)


def string_table(digests):
    lines = [
        "// Generated by tools/make_sponsor_pictures.py: the SHA-256 of each",
        "// language's sponsor picture, drawn by the same build.",
        "#include <windows.h>",
        '#include "base/resource_ids.h"',
        "",
    ]
    for (code, language, *_), digest in zip(LANGUAGES, digests):
        lines += [f"// {file_name(code)}", f"LANGUAGE {language}",
                  f'STRINGTABLE BEGIN IDS_PROMO_PICTURE_DIGEST "{digest}" END', ""]
    lines += ["LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US", ""]
    return "\n".join(lines)


def write_atomically(path, data):
    part = path + ".part"
    with open(part, "wb") as out:
        out.write(data)
    os.replace(part, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out_dir")
    parser.add_argument("--convert", default="convert")
    args = parser.parse_args()
    os.makedirs(args.out_dir, exist_ok=True)
    table = os.path.join(args.out_dir, "digests.rc")
    # Gone until every picture is in place: an interrupted run leaves the
    # build an output to make again, never an old table beside new pictures.
    if os.path.exists(table):
        os.remove(table)
    digests = []
    for code, _, fonts, headline, line in LANGUAGES:
        target = os.path.join(args.out_dir, file_name(code))
        part = target + ".part"
        try:
            draw(args.convert, part, fonts, headline, line)
            with open(part, "rb") as f:
                digests.append(hashlib.sha256(f.read()).hexdigest())
            os.replace(part, target)
        finally:
            if os.path.exists(part):
                os.remove(part)
    if len(set(digests)) != len(digests):
        sys.exit("two sponsor pictures came out identical")
    write_atomically(table, string_table(digests).encode("ascii"))


if __name__ == "__main__":
    main()
