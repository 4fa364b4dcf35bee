#!/usr/bin/env bash
# The demo channel server: the channel server's four pages, a programme guide and live test
# channels made by ffmpeg, all on 127.0.0.1, served by a small Python server or by nginx with the
# production site configuration (deploy/nginx). Everything it starts is written to the run folder and stopped by
# pid.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

usage() {
    cat <<EOF
Usage: demo/server.sh start|stop|status|run [options]

  start    start the server and the live channels in the background; returns when they answer
  stop     stop exactly what start started
  status   show what is running (exit 0 when everything runs, 3 when nothing does)
  run      like start, but stay in the foreground; Ctrl-C or any exit stops everything

Options:
  --build-dir DIR   build folder holding tools/rz4-chanlist (default: build)
  --chanlist PATH   the rz4-chanlist tool, if not in the build folder
  --port N          port on 127.0.0.1 (default: the port of RZ4_CHANNEL_SERVER in the build
                    folder's cache when it names 127.0.0.1, otherwise the one in demo/port)
  --run-dir DIR     where pids, logs and served files go (default: run/demo)
  --channels FILE   the channel list's readable source (default: demo/channels.txt)
  --mode MODE       normal (default), or a broken server: hang (accept, never answer),
                    error / missing (HTTP 500 / 404 for everything), trickle (a byte a second
                    for everything), trickle-list (only the channel list trickles), cut (the
                    channel server's pages cut off halfway)
  --http SERVER     python (default) or nginx: nginx with the site of deploy/nginx, a private
                    configuration and prefix in the run folder (normal mode only)
EOF
}

die() {
    echo "demo server: $*" >&2
    exit 1
}

# id|name on the picture|lavfi video source|its options|tone in Hz
channels=(
    "ch1|测试一台|testsrc2||440"
    "ch2|彩条频道|smptebars||660"
    "ch3|生活频道|gradients|c0=0x363656:c1=0xffb040:c2=0x2a7ab0:nb_colors=3:speed=0.03|880"
)

command=${1:-}
[ $# -gt 0 ] && shift
build_dir=$repo/build
chanlist=
port=
run_dir=$repo/run/demo
mode=normal
http=python
channels_source=$here/channels.txt
while [ $# -gt 0 ]; do
    case $1 in
    --build-dir | --chanlist | --port | --run-dir | --mode | --http | --channels)
        [ $# -ge 2 ] || die "$1 needs a value"
        case $1 in
        --build-dir) build_dir=$2 ;;
        --chanlist) chanlist=$2 ;;
        --port) port=$2 ;;
        --run-dir) run_dir=$2 ;;
        --mode) mode=$2 ;;
        --http) http=$2 ;;
        --channels) channels_source=$2 ;;
        esac
        shift 2
        ;;
    -h | --help)
        usage
        exit 0
        ;;
    *) die "unknown option: $1 (see --help)" ;;
    esac
done

case $mode in normal | hang | error | missing | trickle | trickle-list | cut) ;;
*) die "unknown mode: $mode" ;; esac
# Modes that serve the real pages and channels, only some of them broken.
serves_site() { case $mode in normal | trickle-list | cut) return 0 ;; *) return 1 ;; esac; }
case $http in
python) ;;
nginx) [ "$mode" = normal ] || die "--http nginx serves normal mode only" ;;
*) die "unknown HTTP server: $http" ;;
esac

# The client is built against one server address; follow it when it is this machine.
default_port() {
    local cache=$build_dir/CMakeCache.txt server
    if [ -f "$cache" ]; then
        server=$(sed -n 's/^RZ4_CHANNEL_SERVER:[A-Z]*=//p' "$cache")
        case $server in 127.0.0.1:[0-9]*)
            echo "${server#127.0.0.1:}"
            return
            ;;
        esac
    fi
    cat "$here/port"
}
[ -n "$port" ] || port=$(default_port)
if ! [[ $port =~ ^[0-9]+$ ]] || [ "$port" -lt 1 ] || [ "$port" -gt 65535 ]; then
    die "bad port: $port"
fi

run_dir=$(realpath -m -- "$run_dir")
pids_file=$run_dir/pids
www=$run_dir/www
logs=$run_dir/logs
soft=$www/zhibo/RZ4/soft

# Paths in messages are given inside the project only, never as the machine's own paths.
shown() {
    case $1 in
    "$repo"/*) echo "${1#"$repo"/}" ;;
    *) echo "the given run folder" ;;
    esac
}

# A recorded pid counts as ours only while its command line still names our run folder.
is_ours() {
    local pid=$1
    [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "$run_dir"
}

# Running means not yet exited: a zombie has let go of its files and its port.
still_running() {
    local state
    state=$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

record() { echo "$1 $2" >>"$pids_file"; }

running_count() {
    local n=0 name pid
    [ -f "$pids_file" ] || {
        echo 0
        return
    }
    while read -r name pid; do
        if is_ours "$pid"; then n=$((n + 1)); fi
    done <"$pids_file"
    echo "$n"
}

do_stop() {
    [ -f "$pids_file" ] || return 0
    local name pid pids=()
    while read -r name pid; do
        if is_ours "$pid"; then
            kill -TERM "$pid" 2>/dev/null || true
            pids+=("$pid")
        fi
    done <"$pids_file"
    # ffmpeg closes its segment on TERM; give everything a moment, then insist.
    local tries=0
    for pid in "${pids[@]}"; do
        while still_running "$pid" && [ $tries -lt 50 ]; do
            sleep 0.1
            tries=$((tries + 1))
        done
        if still_running "$pid"; then kill -KILL "$pid" 2>/dev/null || true; fi
    done
    tries=0
    for pid in "${pids[@]}"; do
        while still_running "$pid" && [ $tries -lt 50 ]; do
            sleep 0.1
            tries=$((tries + 1))
        done
    done
    # Reap our own children (run mode), so none is left a zombie.
    wait 2>/dev/null || true
    rm -f "$pids_file"
    rm -rf "$www"
}

find_chanlist() {
    [ -n "$chanlist" ] || chanlist=$build_dir/tools/rz4-chanlist
    [ -x "$chanlist" ] ||
        die "rz4-chanlist not found at $chanlist; build it first (cmake --build <build> --target rz4-chanlist) or pass --chanlist"
}

cjk_font() {
    local file
    file=$(fc-match -f '%{file}' 'AR PL UKai CN' 2>/dev/null || true)
    case $file in *ukai* | *uming*) echo "$file" ;; *)
        file=$(fc-match -f '%{file}' 'AR PL UMing CN' 2>/dev/null || true)
        case $file in *uming*) echo "$file" ;; *) die "no AR PL font found (fonts-arphic-ukai)" ;; esac
        ;;
    esac
}

# The readable list becomes the file the client downloads: CR LF lines in CP936, bit-reversed.
make_channel_list() {
    local plain=$run_dir/baby1.txt
    [ -r "$channels_source" ] || die "cannot read the channel list source given with --channels"
    grep -v '^#' "$channels_source" |
        sed -e "s/@SERVER@/127.0.0.1:$port/g" -e 's/$/\r/' |
        iconv -f UTF-8 -t CP936 >"$plain"
    "$chanlist" encode "$plain" "$soft/baby1.mdb" >>"$logs/chanlist.log" 2>&1 ||
        die "rz4-chanlist could not encode the channel list (see $(shown "$logs")/chanlist.log)"
    rm -f "$plain"
}

start_channel() {
    local id=$1 name=$2 source=$3 options=$4 tone=$5 font=$6
    local dir=$www/live/$id
    mkdir -p "$dir"
    setsid "$here/live_channel.sh" --source "$source" --options "$options" --tone "$tone" \
        --name "$name" --font "$font" "$dir" </dev/null >>"$logs/$id.log" 2>&1 &
    record "$id" $!
}

# nginx in the foreground, so that its master's pid is the one recorded; everything it writes
# stays in the run folder.
start_nginx() {
    local nginx conf=$run_dir/nginx/nginx.conf user=
    nginx=$(command -v nginx || echo /usr/sbin/nginx)
    [ -x "$nginx" ] || die "nginx not found (Debian package nginx-light)"
    mkdir -p "$run_dir/nginx"
    # Run as root, nginx would hand its workers to nobody, who cannot read a private run folder.
    [ "$(id -u)" -ne 0 ] || user="user root root;"
    cat >"$conf" <<EOF
daemon off;
worker_processes 1;
$user
pid "$run_dir/nginx/nginx.pid";
error_log "$logs/server.log";
events { worker_connections 256; }
http {
    access_log "$logs/nginx-access.log";
    client_body_temp_path "$run_dir/nginx/body";
    proxy_temp_path "$run_dir/nginx/proxy";
    fastcgi_temp_path "$run_dir/nginx/fastcgi";
    uwsgi_temp_path "$run_dir/nginx/uwsgi";
    scgi_temp_path "$run_dir/nginx/scgi";
    server {
        listen 127.0.0.1:$port;
        root "$www";
        include "$repo/deploy/nginx/rz4tv-channel-server.conf";
    }
}
EOF
    # shellcheck disable=SC2094 # nginx and the shell both only append to the log
    setsid "$nginx" -p "$run_dir/nginx/" -c "$conf" -e "$logs/server.log" \
        </dev/null >>"$logs/server.log" 2>&1 &
    record server $!
}

port_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

page_answers() {
    python3 - "http://127.0.0.1:$port/zhibo/RZ4/soft/Version.html" <<'EOF' 2>/dev/null
import sys, urllib.request
with urllib.request.urlopen(sys.argv[1], timeout=2) as reply:
    sys.exit(0 if reply.status == 200 else 1)
EOF
}

ready() {
    port_answers || return 1
    serves_site || return 0
    local entry
    for entry in "${channels[@]}"; do
        [ -f "$www/live/${entry%%|*}/index.m3u8" ] || return 1
    done
    page_answers
}

# Fails (and stops everything) when something started dies or nothing answers within 30 s.
wait_until_ready() {
    local tries=0 name pid
    until ready; do
        while read -r name pid; do
            # Just started, so the pid is ours; its command line may be mid-exec.
            if ! still_running "$pid"; then
                tail -n 5 "$logs/$name.log" >&2 || true
                do_stop
                die "$name stopped while starting (log: $(shown "$logs")/$name.log)"
            fi
        done <"$pids_file"
        tries=$((tries + 1))
        if [ $tries -ge 150 ]; then
            do_stop
            die "nothing answered on 127.0.0.1:$port within 30 s (logs: $(shown "$logs"))"
        fi
        sleep 0.2
    done
}

do_start() {
    if [ "$(running_count)" -gt 0 ]; then
        die "already running from $(shown "$run_dir"); stop it first"
    fi
    rm -f "$pids_file"
    rm -rf "$www" "$logs"
    mkdir -p "$soft" "$logs"
    if port_answers; then
        die "port $port on 127.0.0.1 is already in use"
    fi

    if serves_site; then
        find_chanlist
        local font entry id name source options tone
        font=$(cjk_font)
        cp "$here/site/Version.html" "$here/site/mini.htm" "$here/site/Ostrel.jpg" "$soft/"
        make_channel_list
        # The live channels have a guide; the one that never plays has none.
        local names=()
        for entry in "${channels[@]}"; do
            IFS='|' read -r id name source options tone <<<"$entry"
            names+=("$name")
        done
        python3 "$here/make_guide.py" "$soft/epg.xml.gz" "${names[@]}"
        for entry in "${channels[@]}"; do
            IFS='|' read -r id name source options tone <<<"$entry"
            start_channel "$id" "$name" "$source" "$options" "$tone" "$font"
        done
    fi
    if [ "$http" = nginx ]; then
        start_nginx
    else
        setsid python3 "$here/server.py" --root "$www" --port "$port" --mode "$mode" \
            </dev/null >>"$logs/server.log" 2>&1 &
        record server $!
    fi
    wait_until_ready
    echo "demo server: $mode mode on http://127.0.0.1:$port with $http (run folder: $(shown "$run_dir"))"
}

do_status() {
    if [ ! -f "$pids_file" ]; then
        echo "demo server: not running"
        return 3
    fi
    local name pid total=0 alive=0
    while read -r name pid; do
        total=$((total + 1))
        if is_ours "$pid"; then
            alive=$((alive + 1))
            printf '%-8s %7s  running\n' "$name" "$pid"
        else
            printf '%-8s %7s  stopped\n' "$name" "$pid"
        fi
    done <"$pids_file"
    [ $alive -eq $total ] && return 0
    [ $alive -eq 0 ] && return 3
    return 1
}

case $command in
start) do_start ;;
stop)
    do_stop
    echo "demo server: stopped"
    ;;
status) do_status ;;
run)
    trap 'do_stop; echo "demo server: stopped"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    do_start
    echo "demo server: Ctrl-C stops it"
    # Any process ending on its own ends the demo: a half-running server helps nobody.
    wait -n || true
    echo "demo server: a process stopped on its own (logs: $(shown "$logs"))" >&2
    exit 1
    ;;
-h | --help | help) usage ;;
*)
    usage >&2
    exit 2
    ;;
esac
