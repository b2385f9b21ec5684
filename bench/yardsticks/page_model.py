#!/usr/bin/env python3
"""The page a list file gives, written the plain way: the yardstick of `siteloom --build`.

    page_model.py LIST_FILE DIRECTORY

Reads the list file (Windows-31J, key=value lines), builds the link page line by line with the
same markup, and writes DIRECTORY/<file name> once, encoded to Windows-31J (characters it cannot
hold as &#N;) with CR LF line ends, through a temporary file that is synced and renamed into place.
"""
import os
import sys

SEPARATOR = "\uff1a"
COLOURS = ["#ffffff", "#84FFFF", "#FFFF84", "#FFC384", "#84FF84", "#C6C3FF", "#FFC3C6", "#FFC3FF"]
FIELDS = {"te001": "file", "te005": "image", "te006": "title", "te007": "banner", "te008": "name",
          "te009": "url"}


def read_list(path):
    options = {"file": "link.html", "background": 1, "image": "http://", "title": "リ　ン　ク　集",
               "banner": "http://", "name": "", "url": "http://"}
    entries = []
    with open(path, encoding="cp932", newline="") as source:
        lines = source.read().splitlines()
    left = 0
    for line in lines:
        if left > 0:
            left -= 1
            if line.startswith("ls"):
                entries.append(line.split("=", 1)[1] if "=" in line else "")
            continue
        key = line[:5]
        if key == "list1":
            digits = ""
            for c in line[6:]:
                if not c.isdigit():
                    break
                digits += c
            left = int(digits or "0")
            entries = []
        elif key.startswith("opt0") and key[4:5].isdigit() and key[4] != "0":
            options["background"] = int(key[4])
        elif key in FIELDS:
            options[FIELDS[key]] = line[6:]
    return options, entries


def page_lines(o, entries):
    title = o["title"] if o["title"].strip(" \u3000") else "リ　ン　ク　集"
    back = o["url"] != ""
    yield from ["<HTML>", "<HEAD>", "<TITLE>" + title + "</TITLE>", "</HEAD>",
                '<STYLE TYPE ="text/css">', "<!--", "TABLE{font-size:14pt}", "P{font-size:14pt}",
                "div{font-size:14pt}", "body{font-size:14pt}", "-->", "</STYLE>"]
    if o["background"] == 9 and o["image"] != "http://":
        yield '<BODY background="' + o["image"] + '">'
    else:
        colour = o["background"] if 1 <= o["background"] <= 8 else 1
        yield '<BODY bgcolor="' + COLOURS[colour - 1] + '">'
    yield " "
    yield '<div align="center"><B><FONT size="+3">'
    if back:
        yield "　　　"
    yield title
    yield "</FONT>"
    if back:
        yield '　<A href="' + o["url"] + '" target="_top">'
        yield "戻る</A>"
    yield from ["</B></div><br>", "<HR>", "<br>", "<center>", '<table border="0">']
    for entry in entries:
        banner, _, rest = entry.partition(SEPARATOR)
        name, _, url = rest.partition(SEPARATOR)
        yield "<tr>"
        yield ('<td nowrap align="left"><A href="' + url + '" target="_blank"><img src="' + banner +
               '" border="0"></A></td>')
        yield "<td>　</td>"
        yield '<td nowrap align="left"><B>' + name + "</B></td>"
        yield "</tr>"
        yield "<tr><td>　</td><td>　</td></tr>"
    yield from ["</TABLE>", "</CENTER>", "<BR><HR><BR> "]
    if o["url"] != "http://" and o["banner"] != "http://" and o["name"]:
        own_link = '<A href="' + o["url"] + '">'
        yield from ['<CENTER><FONT size="+2">', "リンクしていただける方へ</FONT><BR><BR>",
                    '<img src="' + o["banner"] + '"><br><br>',
                    '<textarea rows="10" cols="80" name="soy" wrap="physical">', own_link,
                    '<IMG src="' + o["banner"] + '">', "</A>", " ", "または", " ", own_link, o["name"],
                    "</A>", "</textarea>", '<br><br><FONT size="+1">',
                    "<B>上記のどちらか片方を選択して、貴ＨＰリンクにお加え下さい。</B></FONT><BR>",
                    "<BR><HR><BR> ", "</CENTER>"]
    yield ('<h5 align="right"><A href="http://siteloom.example.jp/download.html" target="_blank">'
           "そよかツール作成(siteloom.exe)</A></h5>")
    yield "</BODY>"
    yield "</HTML>"


def main():
    options, entries = read_list(sys.argv[1])
    text = "".join(line + "\r\n" for line in page_lines(options, entries))
    target = os.path.join(sys.argv[2], options["file"].strip(" \u3000"))
    temporary = target + ".model"
    with open(temporary, "wb") as out:
        out.write(text.encode("cp932", "xmlcharrefreplace"))
        out.flush()
        os.fdatasync(out.fileno())
    os.replace(temporary, target)


if __name__ == "__main__":
    main()
