#!/usr/bin/python3
"""Writes the panel bench's page as one file that runs from disk with no
server and no network: the page's own files (index.html, panel.css,
panel.js, layout.js) with the stylesheet and scripts written in, the WebAssembly build
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
    js = read(os.path.join(args.page, "panel.js"))
    layout = read(os.path.join(args.page, "layout.js"))
    glue = read(args.script)
    licence = read(args.licence).replace("--", "- -")

    link = '<link rel="stylesheet" href="/panel.css">'
    tag = '<script src="/panel.js"></script>\n<script src="/layout.js"></script>'
    for needed in (link, tag):
        if needed not in html:
            sys.exit("make_page: index.html lacks " + needed)
    payload = ['<script type="application/gzip" id="payload-wasm">\n' + packed(args.wasm) + '\n</script>']
    for font in args.font:
        name, _, path = font.partition("=")
        payload.append('<script type="application/gzip" id="payload-font-%s">\n%s\n</script>' % (name, packed(path)))
    payload.append('<script type="text/plain" id="help-scenario">\n%s\n</script>'
                   % script_text(read(args.help_scenario), args.help_scenario))
    scripts = "\n".join(payload + [
        "<script>\n" + script_text(glue, args.script) + "\n</script>",
        "<script>\n" + script_text(js, "panel.js") + "\n</script>",
        "<script>\n" + script_text(layout, "layout.js") + "\n</script>",
    ])
    # The downloads are made by the page itself here (panel.js, layout.js).
    for download, anchor in (('href="/api/session.pbs"', 'href="#download"'),
                             ('href="/api/panel.cfg"', 'href="#download-cfg"')):
        if download not in html:
            sys.exit("make_page: index.html lacks the download link " + download)
        html = html.replace(download, anchor)
    html = html.replace(link, "<style>\n" + css + "\n</style>")
    html = html.replace(tag, scripts)
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
