#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Checks a page of qel-tz --html as headless Chromium rendered it
# (--dump-dom), against the command's JSON output:
#   html_check.py audit|diff|place DOM PAGE JSON STATUS   the counts read
#       from the rendered page equal the JSON's; the page is whole; nothing in
#       it is fetched (no src or href with http:, https: or //) and no element
#       of script, image, frame or link comes from the input. A diff page says
#       to send, in each place's article, every TZ string of the JSON's
#       schedule for it; a place page's headline (data-outcome) is right, and
#       coloured so, exactly where the command's exit STATUS is 0, no count is
#       coloured wrong then, and its timeline draws what is sent against the
#       place (a second line, and hatching where the JSON's approximate
#       schedule costs wrong hours);
#   html_check.py hostile DOM PAGE JSON            the same, and each name of
#       the hostile fleet shows as text;
#   html_check.py vancouver DOM PAGE JSON          the same, and Vancouver held
#       as PST8PDT under 2026f is an hour behind each winter, and is sent MST+07:00;
#   html_check.py hostile-fleet                    prints the hostile fleet.
import json
import re
import sys
from html.parser import HTMLParser

# Device names that would be markup, an attribute's end or a character
# reference if they were written raw, and bytes outside UTF-8.
HOSTILE = [b"<script>alert(1)</script>", b'say "hi" & \'bye\' &amp;', b"\xff\xfebad\xc3",
           b"<img src=//example.invalid/x onerror=alert(2)>", b"</li></ul></details><a href=https://x.invalid>x</a>"]
# How each renders: bytes outside UTF-8 become U+FFFD, one a byte.
SHOWN = [h.decode("utf-8", "replace") for h in HOSTILE]
FORBIDDEN = {"script", "img", "iframe", "frame", "object", "embed", "link", "a", "base", "form", "input"}


class Dom(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.counts, self.verdicts, self.tags, self.refs, self.text = {}, {}, set(), [], []
        self.stack, self.titles = [], []
        self.outcome, self.bad, self.paths, self.hatched = None, 0, 0, 0
        self.articles = {}  # id of each article: its text

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.tags.add(tag)
        self.stack.append((tag, a))
        self.refs += [v for k, v in attrs if k in ("src", "href", "xlink:href", "action") and v]
        if "data-count" in a:
            self.counts[a.get("id", "")] = int(a["data-count"])
        if "data-verdict" in a:
            self.verdicts[a.get("id", "")] = a["data-verdict"]
        classes = (a.get("class") or "").split()
        if "data-outcome" in a:
            self.outcome = (a["data-outcome"], classes)
        self.bad += "count" in classes and "bad" in classes
        self.paths += tag == "path"
        # A wrong stretch in a lane: a hatched mark with its words (the legend's has none).
        parent = self.stack[-2] if len(self.stack) > 1 else ("", {})
        self.hatched += tag == "title" and parent[0] == "rect" and (parent[1].get("fill") or "").startswith("url(#hatch")
        if tag == "article":
            self.articles[a.get("id", "")] = []

    def handle_endtag(self, tag):
        while self.stack and self.stack.pop()[0] != tag:
            pass

    def handle_data(self, data):
        self.text.append(data)
        for tag, a in self.stack:
            if tag == "article":
                self.articles[a.get("id", "")].append(data)
        if self.stack and self.stack[-1][0] == "title":
            self.titles.append(data)


def fail(why):
    sys.exit(f"html_check: {why}")


def main():
    if sys.argv[1] == "hostile-fleet":
        out = sys.stdout.buffer
        out.write(b"device,place,tz\n")
        for name in HOSTILE:
            quoted = b'"' + name.replace(b'"', b'""') + b'"'
            out.write(quoted + b',Test/Abolish,"CET-1CEST,M3.5.0,M10.5.0/3"\n')
        out.write(b'"' + HOSTILE[0] + b'",<b>Nowhere</b>,UTC0\n')  # a place that is markup, in a row not checked
        return
    mode, dom_path, page_path, json_path, status = sys.argv[1:6]
    dom = Dom()
    dom.feed(open(dom_path, encoding="utf-8").read())
    page = open(page_path, "rb").read().decode("utf-8")  # strict: the page is valid UTF-8
    data = json.load(open(json_path))
    text = "".join(dom.text)
    if "footer" not in dom.tags or "h1" not in dom.tags:
        fail(f"{page_path} did not render whole")
    if dom.tags & FORBIDDEN:
        fail(f"{page_path} renders elements {sorted(dom.tags & FORBIDDEN)}")
    # In the page as written too, within its tags (text never holds a "<").
    tags = " ".join(re.findall(r"<[a-zA-Z][^>]*>", page))
    raw = re.findall(r'(?:src|href)\s*=\s*["\']?([^"\'\s>]*)', tags, re.I)
    for ref in dom.refs + raw:
        if re.match(r"\s*(https?:|//)", ref, re.I):
            fail(f"{page_path} refers to {ref}")
    # Nor does its CSS, in <style> or in a style attribute, load anything.
    css = tags + " ".join(re.findall(r"<style>(.*?)</style>", page, re.S))
    loads = [u for u in re.findall(r"url\(\s*['\"]?([^)'\"]*)", css) if not u.startswith("#")]
    if loads or "@import" in css:
        fail(f"{page_path}: its CSS loads {loads or '@import'}")

    if mode in ("audit", "hostile", "vancouver"):
        words = ["exact", "offsets", "differs", "unrepresentable", "invalid"]
        want = {f"count-{w}": data["summary"][w] for w in words}
    elif mode == "diff":
        places = data["places"]
        want = {"count-changed": len(places), "count-wrong": sum(p["wrong_from"] is not None for p in places)}
        for change in ["added", "removed", "record", "names", "verdict"]:
            want[f"count-{change}"] = sum(p["change"] == change for p in places)
        # What to send, place by place as the JSON's schedule has it.
        for k, p in enumerate(places):
            said = " ".join("".join(dom.articles.get(f"place-{k + 1}", [])).split())
            for span in p["schedule"] or []:
                if span["tz"] and f"send the TZ string {span['tz']}" not in said:
                    fail(f"{page_path}: {p['place']} is not told to send {span['tz']}")
    else:
        want = {}
        if dom.verdicts.get("verdict-tz") != data["tz_verdict"]:
            fail(f"tz verdict {dom.verdicts.get('verdict-tz')} where the JSON has {data['tz_verdict']}")
        # The headline follows the exit status.
        right = status == "0"
        if dom.outcome is None or dom.outcome[0] != ("right" if right else "wrong") or \
                ("good" if right else "bad") not in dom.outcome[1] or (right and dom.bad):
            fail(f"{page_path}: the headline {dom.outcome} ({dom.bad} counts marked wrong) where the exit status is "
                 f"{status}")
        # What is sent, drawn against the place, hatched where it costs hours.
        spans = data["schedule"] or []
        if spans and all(s["tz"] for s in spans):
            if dom.paths < 2:
                fail(f"{page_path}: the timeline draws {dom.paths} lines, not what is sent against the place")
            costs = any(s["approximate"] and s["approximate"]["hours_wrong"] > 0 for s in spans)
            if costs and not dom.hatched:
                fail(f"{page_path}: the approximate record's wrong hours are not hatched")
    got = {k: dom.counts.get(k) for k in want}
    if got != want:
        fail(f"{page_path}: counts {got} where the JSON has {want}")

    if mode == "hostile":
        for name in SHOWN:
            if name not in text:
                fail(f"{page_path}: the device name {name!r} does not show as text")
    if mode == "vancouver":
        # Every winter from now: behind from November (or this hour) to March.
        winters = [t for t in dom.titles if "UTC-08:00 where the place is UTC-07:00" in t]
        ends = [re.match(r"(\d{4})-(\d\d)-\d\d \d\d:\d\d to (\d{4})-(\d\d)", t).groups() for t in winters]
        # (the last may be cut short by the window's end, on January 1)
        last = len(ends) - 1
        if len(ends) < 10 or any(e[1] not in ("11", "12") or int(e[2]) != int(e[0]) + 1 or
                                 e[3] not in (("03", "01") if i == last else ("03",)) for i, e in enumerate(ends)):
            fail(f"{page_path}: Vancouver's winters are not drawn as an hour behind: {winters}")
        if "send the TZ string MST+07:00" not in text:
            fail(f"{page_path}: Vancouver's devices are not told to get MST+07:00")
    print(f"html_check: {page_path}: {mode} page as the JSON has it: {want or (data['tz_verdict'], dom.outcome)}")


main()
