#!/usr/bin/env python3
# A bookmarks file (UTF-8, distinct web addresses) made a list file the plain way: the yardstick
# of `siteloom --import`.   import_bookmarks.py BOOKMARKS_FILE LIST_FILE
import sys
from html.parser import HTMLParser

BANNER = ("data:image/gif;base64,R0lGODlhWAAfAIEAAOjo6JmZmWZmZv///ywAAAAAWAAfAAACaoyPqcvtDx+YtNqLs968Z+OF4k"
          "hyYImmKnau7iu28Exbco3Dd86new+MBYJE0q+IvByTTMCyiXxCidIpsGrlYbO4LZfm/eqG4mS4vDqjfeR1UO02tuPaO"
          "b1rv4Pz+nE/B/e3EUFYaHhIWAAAOw==")

class Links(HTMLParser):
    def __init__(self):
        super().__init__()
        self.entries, self.href, self.text = [], None, []

    def handle_starttag(self, tag, attrs):
        if tag == "a":
            self.close()
            self.href = (dict(attrs).get("href") or "").strip()
        elif tag in ("dt", "dd", "dl", "h3"):
            self.close()

    def handle_endtag(self, tag):
        self.close() if tag == "a" else None

    def handle_data(self, data):
        if self.href is not None:
            self.text.append(data)

    def close(self):
        if self.href is not None and self.href.lower().startswith(("http://", "https://")):
            name = " ".join("".join(self.text).splitlines()).strip() or self.href
            name = name.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            self.entries.append(BANNER + "\uff1a" + name + "\uff1a" + self.href)
        self.href, self.text = None, []

links = Links()
links.feed(open(sys.argv[1], encoding="utf-8").read())
links.close()
lines = ["list1=%03d" % len(links.entries)]
lines += ["ls%03d=%s" % (i, entry) for i, entry in enumerate(links.entries)]
lines += ["te001=link.html", "opt01=1", "te005=http://", "te006=リ　ン　ク　集", "te007=http://",
          "te008=", "te009=http://"]
open(sys.argv[2], "wb").write("".join(line + "\r\n" for line in lines).encode("cp932"))
