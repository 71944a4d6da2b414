#!/usr/bin/env bash
# Compares the editor's GIF writer (gif-encode) with ImageMagick's default
# conversion, ffmpeg's two-pass palette and gifsicle -O3 run over
# ImageMagick's file, on banner-like pictures: quality (PSNR over R, G, B and
# SSIM), file size and whole-process time, plus decoding checks.
#   bench/gif-compare.sh BUILD_DIR [WORK_DIR]
# Needs imagemagick, ffmpeg, gifsicle and bc (scripts/deps.sh compare).
# RUNS (default 3): each tool runs that often and its fastest run counts, so a
# build running beside the benchmark disturbs the times less.
set -euo pipefail
build=${1:?build folder with bench/gif-encode and bench/gif-check}
work=${2:-$(mktemp -d)}
runs=${RUNS:-3}
IM=/usr/bin/convert
encode="$build/bench/gif-encode"
check="$build/bench/gif-check"
mkdir -p "$work"
rm -f "$work/table.txt"

sizes="468x60 728x90 300x250 160x600 970x250 1920x1080 4000x1000"
now() { date +%s.%N; }
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print ($1=="inf") ? 99 : $1}'; }
# SSIM as ffmpeg's filter gives it over R, G and B, written as -10 log10(1 - SSIM)
# in dB: the plain value of a good GIF is 0.9999..., too close to 1 to compare.
ssim() {
  ffmpeg -v info -nostats -i "$1" -i "$2" -lavfi ssim -f null - 2>&1 |
    sed -n 's/.*All:[0-9.]* (\([0-9.inf]*\)).*/\1/p' | awk '{print ($1=="inf") ? 99 : $1}'
}
# Fastest of $runs runs of a command, in milliseconds.
best_ms() {
  local best="" i t0 t1 ms
  for ((i = 0; i < runs; i++)); do
    t0=$(now); "$@" > /dev/null; t1=$(now)
    ms=$(echo "($t1 - $t0) * 1000" | bc)
    if [ -z "$best" ] || [ "$(echo "$ms < $best" | bc)" = 1 ]; then best=$ms; fi
  done
  echo "$best"
}

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
echo "PSNR and SSIM in dB (SSIM as -10 log10(1 - SSIM), 99 = exact); gifsicle -O3 rewrites ImageMagick's file"
echo "(its quality is ImageMagick's, its time its own); times: fastest of $runs whole-process runs"
printf '%-8s %-9s | %6s %6s %6s | %6s %6s %6s | %7s %7s %7s %7s | %5s %5s %5s %5s | %s\n' kind size \
  psnr:us im ff ssim:us im ff bytes:us im ff gsicle ms:us im ff gs checks
for kind in flat gradient photo; do
  for size in $sizes; do
    in="$work/$kind-$size.png"
    [ -f "$in" ] || make_input "$kind" "$size" "$in"
    ours="$work/$kind-$size.ours.gif"; im="$work/$kind-$size.im.gif"; ff="$work/$kind-$size.ff.gif"
    gs="$work/$kind-$size.gs.gif"
    t_ours=$(best_ms "$encode" "$in" "$ours")
    "$encode" "$in" "$ours" > "$work/$kind-$size.report"
    t_im=$(best_ms "$IM" "$in" "$im")
    t_ff=$(best_ms ffmpeg -v error -y -i "$in" -vf "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$ff")
    t_gs=$(best_ms gifsicle -O3 "$im" -o "$gs")
    cp "$ours" "$work/again.gif"; "$encode" "$in" "$work/again.gif" > /dev/null
    checks=ok
    cmp -s "$ours" "$work/again.gif" || checks="not-deterministic"
    [ "$(identify -format '%wx%h' "$ours[0]")" = "$size" ] || checks="$checks im-size"
    "$check" "$ours" "${size%x*}" "${size#*x}" > /dev/null || checks="$checks decode"
    printf '%-8s %-9s | %6.2f %6.2f %6.2f | %6.2f %6.2f %6.2f | %7d %7d %7d %7d | %5.0f %5.0f %5.0f %5.0f | %s %s\n' \
      "$kind" "$size" "$(psnr "$in" "$ours")" "$(psnr "$in" "$im")" "$(psnr "$in" "$ff")" \
      "$(ssim "$in" "$ours")" "$(ssim "$in" "$im")" "$(ssim "$in" "$ff")" \
      "$(stat -c %s "$ours")" "$(stat -c %s "$im")" "$(stat -c %s "$ff")" "$(stat -c %s "$gs")" \
      "$t_ours" "$t_im" "$t_ff" "$t_gs" \
      "$checks" "$(sed 's/.*colours=/c=/; s/ read=.*//' "$work/$kind-$size.report")" | tee -a "$table"
  done
done

# Against the targets: on every picture not written exactly, PSNR and SSIM
# above both ImageMagick's and ffmpeg's; size median at most 0.85 of
# ImageMagick's and nowhere over it; whole-process time below ImageMagick's.
awk -F'|' '
  { split($2, p, " "); split($3, s, " "); split($4, b, " "); split($5, t, " ")
    n++; ratio[n] = b[1] / b[2]; gsratio[n] = b[1] / b[4]
    if (p[1] < 99 && (p[1] <= p[2] || p[1] <= p[3] || s[1] <= s[2] || s[1] <= s[3])) low++
    if (ratio[n] > 1.0) big++
    if (t[1] >= t[2]) slow++ }
  function median(a, n,   i, j, x) {
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j > 0 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return (n % 2) ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
  END {
    printf "pictures %d | PSNR or SSIM not above both ImageMagick and ffmpeg: %d\n", n, low
    printf "size / ImageMagick: median %.3f, over 1.0: %d | size / gifsicle -O3: median %.3f\n", \
      median(ratio, n), big, median(gsratio, n)
    printf "not faster than ImageMagick: %d\n", slow
  }' "$table"
