#!/usr/bin/python3
"""Writes the panel bench's page as one file that runs from disk with no
server and no network: the page's own files (index.html, panel.css, and
the scripts index.html's <script src> tags name, in their order) with the
stylesheet and scripts written in, the WebAssembly build
and its script, the read-out typefaces, and the scenario the help's steps are written from. The WebAssembly and the typefaces are
carried gzipped and in base64 in script elements the page reads itself;
the typefaces' licence notice is carried in a comment.

  make_page.py --page DIR --script panelbench_web.js --wasm panelbench_web.wasm
               --font NAME=FILE... --licence FILE --help-scenario FILE.pbs --out try-in-browser.html
"""
import argparse
import base64
import gzip
import os
import re
import sys

# A script of the page's own, as index.html names it.
SCRIPT_TAG = r'<script src="/([\w.-]+\.js)"></script>\n?'


def packed(path):
    with open(path, "rb") as f:
        data = f.read()
    # mtime 0: the same inputs give the same file.
    squeezed = gzip.compress(data, compresslevel=9, mtime=0)
    text = base64.b64encode(squeezed).decode("ascii")
    return "\n".join(text[i:i + 120] for i in range(0, len(text), 120))


def script_text(text, what):
    # Inside a script element only "</script" would end it early.
    if re.search(r"</script", text, re.IGNORECASE):
        text = re.sub(r"</(script)", r"<\\/\1", text, flags=re.IGNORECASE)
    if "<!--" in text:
        sys.exit("make_page: %s holds '<!--', which a script element cannot carry safely" % what)
    return text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--script", required=True)
    parser.add_argument("--wasm", required=True)
    parser.add_argument("--font", action="append", default=[])
    parser.add_argument("--licence", required=True)
    parser.add_argument("--help-scenario", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    def read(path):
        with open(path, encoding="utf-8") as f:
            return f.read()

    html = read(os.path.join(args.page, "index.html"))
    css = read(os.path.join(args.page, "panel.css"))
    glue = read(args.script)
    licence = read(args.licence).replace("--", "- -")

    link = '<link rel="stylesheet" href="/panel.css">'
    if link not in html:
        sys.exit("make_page: index.html lacks " + link)
    # The page's scripts are the ones index.html names, as the server serves
    # it: the list has that one home.
    tags = list(re.finditer(SCRIPT_TAG, html))
    if not tags:
        sys.exit("make_page: index.html names no script")
    page_scripts = [(m.group(1), read(os.path.join(args.page, m.group(1)))) for m in tags]
    payload = ['<script type="application/gzip" id="payload-wasm">\n' + packed(args.wasm) + '\n</script>']
    for font in args.font:
        name, _, path = font.partition("=")
        payload.append('<script type="application/gzip" id="payload-font-%s">\n%s\n</script>' % (name, packed(path)))
    payload.append('<script type="text/plain" id="help-scenario">\n%s\n</script>'
                   % script_text(read(args.help_scenario), args.help_scenario))
    scripts = "\n".join(payload + [
        "<script>\n" + script_text(glue, args.script) + "\n</script>",
    ] + ["<script>\n" + script_text(text, name) + "\n</script>" for name, text in page_scripts]) + "\n"
    # The downloads are made by the page itself here (input.js, layout.js).
    for download, anchor in (('href="/api/session.pbs"', 'href="#download"'),
                             ('href="/api/panel.cfg"', 'href="#download-cfg"')):
        if download not in html:
            sys.exit("make_page: index.html lacks the download link " + download)
        html = html.replace(download, anchor)
    html = html.replace(link, "<style>\n" + css + "\n</style>")
    # The scripts written in where the first tag stood, the other tags dropped.
    tags = list(re.finditer(SCRIPT_TAG, html))
    html = html[:tags[0].start()] + scripts + "".join(
        html[a.end():b.start()] for a, b in zip(tags, tags[1:])) + html[tags[-1].end():]
    notice = ("<!--\nThe panel bench's page as one file: the gauges in the browser, with no server and no network.\n"
              "The read-out typefaces carried in it are DSEG7 and DSEG14, from the fonts-dseg package, under the\n"
              "SIL Open Font License 1.1, whose notice follows.\n\n" + licence + "\n-->\n")
    html = html.replace("<!DOCTYPE html>\n", "<!DOCTYPE html>\n" + notice, 1)
    tmp = args.out + ".new"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(html)
    os.replace(tmp, args.out)
    print("make_page: %s, %d bytes" % (args.out, os.path.getsize(args.out)))


if __name__ == "__main__":
    main()
