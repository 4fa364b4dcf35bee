#!/usr/bin/env bash
# One live test channel: ffmpeg encodes a test picture and a tone in real time into a rolling HLS
# playlist, as a live channel server does. Every live channel of the demo server, the tests and
# the benchmarks is made here, so that they all play the same kind of stream.
#
# Usage: live_channel.sh [--source LAVFI_SOURCE] [--options SOURCE_OPTIONS] [--tone HZ]
#                        [--name TEXT --font FILE] [--counter] FOLDER
#   writes FOLDER/index.m3u8 and its segments, and runs until it is stopped (TERM closes the
#   segment being written). --counter draws the frame's number in binary along the top, sixteen
#   blocks of 20 pixels, lowest bit on the left: white is 1, so a reader of pixels knows which
#   frame is on screen.
set -euo pipefail

source=testsrc2
options=
tone=440
name=
font=
counter=
while [ $# -gt 1 ]; do
    case $1 in
    --counter) counter=1 && shift && continue ;;
    --source) source=$2 ;;
    --options) options=$2 ;;
    --tone) tone=$2 ;;
    --name) name=$2 ;;
    --font) font=$2 ;;
    *) echo "live_channel.sh: unknown option $1" >&2 && exit 2 ;;
    esac
    shift 2
done
[ $# -eq 1 ] || { echo "usage: live_channel.sh [options] FOLDER" >&2 && exit 2; }
dir=$1

video="$source=size=320x240:rate=25${options:+:$options},format=yuv420p"
if [ -n "$counter" ]; then
    stripe='lt(Y,16)'
    bit='255*mod(floor(N/pow(2,floor(X/20))),2)'
    video+=",geq=lum='if($stripe,$bit,lum(X,Y))':cb='if($stripe,128,cb(X,Y))'"
    video+=":cr='if($stripe,128,cr(X,Y))'"
fi
if [ -n "$name" ]; then
    # The channel's name on top and the running time below, so that a screenshot tells which
    # channel plays and that it moves.
    label="fontfile='$font':fontcolor=white:box=1:boxcolor=black@0.55:x=(w-tw)/2"
    video+=",drawtext=$label:text='$name':fontsize=30:boxborderw=6:y=14"
    video+=",drawtext=$label:text='%{pts\:hms}':fontsize=18:boxborderw=4:y=h-th-14"
fi
# A key frame every two seconds starts each two-second segment, so a player can join anywhere.
exec ffmpeg -nostdin -hide_banner -loglevel error \
    -re -f lavfi -i "$video" -re -f lavfi -i "sine=frequency=$tone:sample_rate=48000" \
    -c:v libx264 -preset ultrafast -tune zerolatency -g 50 -keyint_min 50 -sc_threshold 0 \
    -c:a aac -b:a 64k -ac 1 \
    -f hls -hls_time 2 -hls_list_size 5 \
    -hls_flags delete_segments+independent_segments+temp_file \
    -hls_segment_filename "$dir/seg%05d.ts" "$dir/index.m3u8" </dev/null
