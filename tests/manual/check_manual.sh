#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: check_manual.sh MANUAL.html [SCREENSHOT.png]
#
# Loads the manual in headless Chromium, as a reader's browser would, and fails
# on a picture that does not load or a link inside the page whose target is
# missing. Takes a screenshot of the rendered page for the record. Exits 77
# (skipped) without Chromium, unless CI=true.
set -u
manual=$(realpath "${1:?usage: check_manual.sh MANUAL.html [SCREENSHOT.png]}")
shot=${2:-manual-rendered.png}

browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "chromium is missing"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Nothing reaches the network or a profile of the user's.
flags=(--headless --disable-gpu --disable-quic --no-first-run --disable-background-networking
       --disable-component-update --disable-sync --user-data-dir="$work/profile"
       --allow-file-access-from-files --virtual-time-budget=10000)
[ "$(id -u)" -eq 0 ] && flags+=(--no-sandbox)

# A page of our own holds the manual in a frame and reports what it finds.
cat >"$work/check.html" <<HTML
<!DOCTYPE html><html><body><pre id="report">not loaded</pre>
<iframe id="m" src="file://$manual" width="1200" height="900"></iframe>
<script>
document.getElementById('m').onload = function () {
  const doc = this.contentDocument;
  const bad = [];
  const images = doc.images;
  for (const img of images)
    if (!img.complete || img.naturalWidth === 0) bad.push('image ' + img.getAttribute('src'));
  let links = 0;
  for (const a of doc.querySelectorAll('a[href^="#"]')) {
    ++links;
    const id = decodeURIComponent(a.getAttribute('href').slice(1));
    if (!doc.getElementById(id)) bad.push('link ' + a.getAttribute('href'));
  }
  document.getElementById('report').textContent =
    'images ' + images.length + ' links ' + links + (bad.length ? ' BROKEN ' + bad.join(', ') : ' OK');
};
</script></body></html>
HTML

report=$("$browser" "${flags[@]}" --dump-dom "file://$work/check.html" 2>"$work/browser.log" |
         sed -n 's/.*<pre id="report">\([^<]*\)<\/pre>.*/\1/p')
echo "manual: $report"
case "$report" in
*" OK") ;;
*) cat "$work/browser.log"; echo "FAIL: the manual does not render whole"; exit 1 ;;
esac

"$browser" "${flags[@]}" --window-size=1200,2400 --screenshot="$(realpath -m "$shot")" "file://$manual" \
    >>"$work/browser.log" 2>&1 || { cat "$work/browser.log"; echo "FAIL: no screenshot"; exit 1; }
[ -s "$shot" ] || { echo "FAIL: the screenshot is empty"; exit 1; }
echo "manual: rendered page in $(realpath "$shot")"
