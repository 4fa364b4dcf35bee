#!/usr/bin/env python3
"""The demo server's programme guide: for each channel named on the command line, half-hour
programmes from two hours ago to two days ahead, as the guide command writes it (channels by the
list's names, gzip), with its times in UTC+8 as a Chinese source would give them."""

import argparse
import gzip
import time
from xml.sax.saxutils import escape, quoteattr

SLOT = 30 * 60
ZONE = 8 * 3600
# Titles with what a guide may hold: "&", "<" and text that looks like markup, shown as text.
SHOWS = ["早间新闻", "天气预报", "纪录片：山与海", "体育 & 健康", "午间新闻", "<b>不是标记</b>",
         "电视剧《测试》", "晚间新闻"]


def title_at(channel, at):
    """The title on the channel (its number in the list) at a time (seconds since the epoch)."""
    return SHOWS[(int(at) // SLOT + channel) % len(SHOWS)]


def xmltv_time(t):
    return time.strftime("%Y%m%d%H%M%S +0800", time.gmtime(t + ZONE))


def guide(names, now):
    first = int(now) // SLOT * SLOT - 2 * 3600
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<tv generator-info-name="rz4 demo">']
    for name in names:
        lines.append(f"<channel id={quoteattr(name)}><display-name>{escape(name)}"
                     "</display-name></channel>")
    for channel, name in enumerate(names):
        for start in range(first, first + 50 * 3600, SLOT):
            lines.append(f"<programme start=\"{xmltv_time(start)}\" "
                         f"stop=\"{xmltv_time(start + SLOT)}\" channel={quoteattr(name)}>"
                         f"<title lang=\"zh\">{escape(title_at(channel, start))}</title>"
                         "</programme>")
    lines.append("</tv>")
    return ("\n".join(lines) + "\n").encode("utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", help="the guide file to write (epg.xml.gz)")
    parser.add_argument("names", nargs="+", help="the channels, in list order")
    args = parser.parse_args()
    with open(args.out, "wb") as f:
        f.write(gzip.compress(guide(args.names, time.time()), mtime=0))


if __name__ == "__main__":
    main()
