#!/usr/bin/env bash
# Download benchmarks on loopback (native build):
#  1. a 1 GiB package from nginx: CCurlDownloader, digest included, against the larger of
#     `curl -o` and `md5sum` on the same file, and our MD5 against `md5sum`, time ratios;
#  2. CMTCurlDownloader against CCurlDownloader on the test server throttled per
#     connection, speed ratio;
#  3. CCurlDownloader's peak resident memory for 100 MiB and for 1 GiB.
# Needs the native build (cmake --preset native && cmake --build --preset native).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bench="$root/build/native/bin/download_bench"
work="${TAVELO_BENCH_DIR:-$root/build/bench}"
mkdir -p "$work/root"
# The downloaders log every step to stderr; keep that out of the figures.
log="$work/bench.log"
: > "$log"
state="$work/state.txt"
python3 "$root/tools/testserver/fixture.py" start --state "$state" --root "$work/root"
trap 'python3 "$root/tools/testserver/fixture.py" stop --state "$state"' EXIT
port=$(sed -n 's/^port=//p' "$state")
nginx=$(sed -n 's/^nginx_port=//p' "$state")

make_package() {  # make_package <name> <MiB>
  [[ -f "$work/root/$1" ]] || head -c "$(($2 * 1048576))" /dev/urandom > "$work/root/$1"
  md5sum "$work/root/$1" | cut -c1-32
}
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }

md5_1g=$(make_package big.bin 1024)
md5_100m=$(make_package mid.bin 100)
md5_40m=$(make_package ranged.bin 40)

# Each side runs three times, alternating, after a sync: otherwise the page cache still
# writing back the previous run's gigabyte slows whichever run comes second. Medians count.
median() { python3 -c "import sys, statistics; print(statistics.median(float(v) for v in sys.argv[1:]))" "$@"; }
seconds_of() { local t0; t0=$(date +%s.%N); "$@"; python3 -c "print(round($(date +%s.%N) - $t0, 3))"; }

echo "1. 1 GiB from nginx (median of 3)"
url_1g="http://127.0.0.1:$nginx/pkg/$md5_1g/big.bin"
curl_runs=() check_runs=() ours_runs=() digest_runs=() big_rss=0
for _ in 1 2 3; do
  sync
  curl_runs+=("$(seconds_of curl -s -o "$work/curl.out" "$url_1g")")
  check_runs+=("$(seconds_of md5sum --status -c <<<"$md5_1g  $work/curl.out")")
  digest_runs+=("$("$bench" md5 "$work/curl.out" | field seconds)")
  rm -f "$work/curl.out"
  sync
  ours=$("$bench" 1 "$url_1g" "$work/ours.out" 2>>"$log")
  ours_runs+=("$(echo "$ours" | field seconds)")
  big_rss=$(echo "$ours" | field peak_rss_kib)
  rm -f "$work/ours.out"
done
curl_s=$(median "${curl_runs[@]}")
check_s=$(median "${check_runs[@]}")
digest_s=$(median "${digest_runs[@]}")
ours_s=$(median "${ours_runs[@]}")
echo "   curl -o: ${curl_s} s (runs: ${curl_runs[*]})   md5sum: ${check_s} s (runs: ${check_runs[*]})"
echo "   CCurlDownloader, digest check included: ${ours_s} s (runs: ${ours_runs[*]})"
echo "   ratio to the larger of curl -o and md5sum: $(python3 -c "print(round($ours_s/max($curl_s, $check_s), 2))")"
echo "   our MD5 of the file: ${digest_s} s (runs: ${digest_runs[*]})" \
     "  ratio to md5sum: $(python3 -c "print(round($digest_s/$check_s, 2))")"

echo "2. 40 MiB, throttled to 4 MiB/s per connection"
curl -s "http://127.0.0.1:$port/_control?throttle=4194304&path_prefix=/pkg/" >/dev/null
single=$("$bench" 1 "http://127.0.0.1:$port/pkg/$md5_40m/ranged.bin" "$work/single.out" 2>>"$log" | field seconds)
ranged=$("$bench" 3 "http://127.0.0.1:$port/pkg/$md5_40m/ranged.bin" "$work/ranged.out" 2>>"$log" | field seconds)
curl -s "http://127.0.0.1:$port/_control" >/dev/null
echo "   CCurlDownloader: ${single} s   CMTCurlDownloader: ${ranged} s   speed ratio: $(python3 -c "print(round($single/$ranged, 2))")"
rm -f "$work/single.out" "$work/ranged.out"

echo "3. peak RSS of CCurlDownloader"
mid_rss=$("$bench" 1 "http://127.0.0.1:$nginx/pkg/$md5_100m/mid.bin" "$work/mid.out" 2>>"$log" | field peak_rss_kib)
rm -f "$work/mid.out"
echo "   100 MiB: ${mid_rss} KiB   1 GiB: ${big_rss} KiB"
