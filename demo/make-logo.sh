#!/usr/bin/env bash
# Draws the demo server's logo picture (site/Ostrel.jpg), shown in the player before a channel is
# chosen. Run it again after changing the picture; the result is committed.
set -euo pipefail
cd "$(dirname "$0")"

kai=$(fc-match -f '%{file}' 'AR PL UKai CN')
ming=$(fc-match -f '%{file}' 'AR PL UMing CN')

ffmpeg -nostdin -loglevel error -y \
    -f lavfi -i "gradients=size=400x300:c0=0x363656:c1=0x14142a:x0=0:y0=0:x1=400:y1=300:nb_colors=2:duration=1" \
    -vf "drawbox=x=40:y=196:w=320:h=2:color=0xffb040@0.9:t=fill,\
drawtext=fontfile='$kai':text='RZ4 网络电视':fontsize=46:fontcolor=white:\
shadowcolor=black@0.6:shadowx=2:shadowy=2:x=(w-tw)/2:y=104,\
drawtext=fontfile='$ming':text='演示频道 · 请在左侧选择节目':fontsize=18:fontcolor=0xd8d8f0:\
x=(w-tw)/2:y=214" \
    -frames:v 1 -q:v 3 site/Ostrel.jpg
