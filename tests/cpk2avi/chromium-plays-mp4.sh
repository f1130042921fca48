#!/bin/sh
# chromium-plays-mp4.sh CPK2AVI CLIP-SCRIPT
#
# A real client: makes a clip, converts it to MP4 and has headless Chromium
# play it, muted, in a <video> element of a local page. Passes when the page
# saw playback pass half a second with the picture's size known; fails when
# Chromium reports an error or never plays; exits 77 (skipped) without
# Chromium.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: chromium-plays-mp4.sh CPK2AVI CLIP-SCRIPT" >&2
    exit 2
fi
cpk2avi=$1
clip_script=$2
browser=$(command -v chromium || true)
if [ -z "$browser" ]; then
    echo "chromium-plays-mp4.sh: chromium is not installed: skipped"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/chromium-mp4.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP

"$clip_script" 4 "$work/clip.cpk" 2
"$cpk2avi" "$work/clip.cpk" "$work/clip.mp4"

# The title says how it went; the log below it says what happened on the way.
cat >"$work/page.html" <<'HTML'
<!DOCTYPE html>
<html><head><title>waiting</title></head>
<body>
<video id="movie" muted autoplay playsinline src="clip.mp4"></video>
<pre id="log"></pre>
<script>
const movie = document.getElementById('movie');
const log = document.getElementById('log');
let done = false;
function note(text) { log.textContent += text + '\n'; }
function finish(title) { if (!done) { done = true; document.title = title; note(title); } }
for (const name of ['loadedmetadata', 'playing', 'ended'])
  movie.addEventListener(name, () => note(name + ' at ' + movie.currentTime.toFixed(2)));
movie.addEventListener('timeupdate', () => {
  const frames = movie.getVideoPlaybackQuality().totalVideoFrames;
  if (movie.currentTime > 0.5 && movie.videoWidth > 0 && frames > 0)
    finish('played ' + movie.videoWidth + 'x' + movie.videoHeight + ', ' + frames + ' frames');
});
movie.addEventListener('error', () =>
  finish('error ' + (movie.error ? movie.error.code + ' ' + movie.error.message : 'without a code')));
movie.play().catch((e) => finish('error ' + e));
</script>
</body></html>
HTML

# Playback follows Chromium's virtual time, which the budget bounds: 20 s of
# it covers only a fraction of a second of the movie, so the budget is large;
# once the page is idle the rest passes at once. A profile and a home of its
# own, so any user (also one without a home) can run it.
mkdir "$work/home" "$work/profile"
status=0
HOME="$work/home" TMPDIR="$work/home" XDG_CONFIG_HOME="$work/home" XDG_CACHE_HOME="$work/home" \
    timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --allow-file-access-from-files \
    --autoplay-policy=no-user-gesture-required --virtual-time-budget=1000000 \
    --dump-dom "file://$work/page.html" >"$work/dom.html" 2>"$work/chromium.log" || status=$?

title=$(sed -n 's:.*<title>\(.*\)</title>.*:\1:p' "$work/dom.html")
case $title in
played*)
    echo "chromium-plays-mp4.sh: $title"
    exit 0
    ;;
esac
echo "chromium-plays-mp4.sh: the movie did not play (chromium exited with $status, page says '$title')" >&2
sed -n '/<pre id="log">/,/<\/pre>/p' "$work/dom.html" >&2
# Without a session bus Chromium complains at length; those lines say nothing here.
grep -v -e 'dbus/' "$work/chromium.log" | tail -n 20 >&2
exit 1
