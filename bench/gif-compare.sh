#!/usr/bin/env bash
# Compares the editor's GIF writer (gif-encode) with ImageMagick's default
# conversion and ffmpeg's two-pass palette on banner-like pictures: quality
# (PSNR over R, G, B), file size and whole-process time, plus decoding checks.
#   bench/gif-compare.sh BUILD_DIR [WORK_DIR]
# Needs imagemagick and ffmpeg (apt-get install -y imagemagick ffmpeg).
set -euo pipefail
build=${1:?build folder with bench/gif-encode and bench/gif-check}
work=${2:-$(mktemp -d)}
IM=/usr/bin/convert
encode="$build/bench/gif-encode"
check="$build/bench/gif-check"
mkdir -p "$work"
rm -f "$work/table.txt"

sizes="468x60 728x90 300x250 160x600 970x250 1920x1080 4000x1000"
now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc; }
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print ($1=="inf") ? 99 : $1}'; }

make_input() { # kind size out
  local kind=$1 size=$2 out=$3 w=${2%x*} h=${2#*x}
  local pt=$(( (h < w ? h : w) / 3 )); [ "$pt" -gt 120 ] && pt=120; [ "$pt" -lt 12 ] && pt=12
  local base
  case $kind in
    flat) base=(-size "$size" xc:'#1e5aa8') ;;
    gradient) base=(-size "$size" gradient:'#ff8a00-#6a1b9a') ;;
    photo) base=(-seed 7 -size "$size" plasma:fractal -blur 0x1.2) ;;
  esac
  "$IM" "${base[@]}" -font DejaVu-Sans-Bold -pointsize "$pt" -fill white -stroke '#202020' -strokewidth 1 \
    -gravity center -annotate +0+0 'Summer Sale -40%' -depth 8 "PNG24:$out"
}

table="$work/table.txt"
printf '%-9s %-9s | %8s %8s %8s | %8s %8s %8s | %7s %7s %7s | %s\n' kind size \
  psnr:ours im ffmpeg bytes:ours im ffmpeg ms:ours im ffmpeg checks
for kind in flat gradient photo; do
  for size in $sizes; do
    in="$work/$kind-$size.png"
    [ -f "$in" ] || make_input "$kind" "$size" "$in"
    ours="$work/$kind-$size.ours.gif"; im="$work/$kind-$size.im.gif"; ff="$work/$kind-$size.ff.gif"
    t0=$(now); "$encode" "$in" "$ours" > "$work/$kind-$size.report"; t1=$(now)
    "$IM" "$in" "$im"; t2=$(now)
    ffmpeg -v error -y -i "$in" -vf "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$ff"; t3=$(now)
    cp "$ours" "$work/again.gif"; "$encode" "$in" "$work/again.gif" > /dev/null
    checks=ok
    cmp -s "$ours" "$work/again.gif" || checks="not-deterministic"
    [ "$(identify -format '%wx%h' "$ours[0]")" = "$size" ] || checks="$checks im-size"
    "$check" "$ours" "${size%x*}" "${size#*x}" > /dev/null || checks="$checks qt-decode"
    printf '%-9s %-9s | %8.2f %8.2f %8.2f | %8d %8d %8d | %7.0f %7.0f %7.0f | %s %s\n' "$kind" "$size" \
      "$(psnr "$in" "$ours")" "$(psnr "$in" "$im")" "$(psnr "$in" "$ff")" \
      "$(stat -c %s "$ours")" "$(stat -c %s "$im")" "$(stat -c %s "$ff")" \
      "$(echo "($t1 - $t0) * 1000" | bc)" "$(echo "($t2 - $t1) * 1000" | bc)" "$(echo "($t3 - $t2) * 1000" | bc)" \
      "$checks" "$(sed 's/.*quantize=/q=/; s/ total=.*//' "$work/$kind-$size.report")" | tee -a "$table"
  done
done

# Against the targets: PSNR above both tools everywhere with a median of 46 dB
# or more; size median at most 0.95 of ImageMagick's and nowhere over 1.05;
# whole-process time below ImageMagick's everywhere.
awk -F'|' '
  { split($2, p, " "); split($3, b, " "); split($4, t, " ")
    n++; psnr[n] = p[1]; ratio[n] = b[1] / b[2]
    if (p[1] <= p[2] || p[1] <= p[3]) lowpsnr++
    if (ratio[n] > 1.05) big++
    if (t[1] >= t[2]) slow++ }
  function median(a, n,   i, j, x) {
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j > 0 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return (n % 2) ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
  END {
    printf "pictures %d | median PSNR %.2f dB | PSNR not above both tools: %d\n", n, median(psnr, n), lowpsnr
    printf "median size / ImageMagick %.3f | over 1.05: %d | not faster than ImageMagick: %d\n", median(ratio, n), big, slow
  }' "$table"

