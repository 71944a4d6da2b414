#!/usr/bin/env bash
# Compares the editor's GIF writer (gif-encode) with other GIF writers on 64
# banners made from photographs and fonts that Debian ships
# (bench/gif-corpus.py): quality (PSNR over R, G, B and SSIM), file size and
# whole-process time, plus checks on our files.
#   bench/gif-compare.sh BUILD_DIR [WORK_DIR]
#   bench/gif-compare.sh --summary WORK_DIR    the report again, from WORK_DIR/table.tsv
# Needs what scripts/deps.sh compare installs.
# RUNS (default 3): each tool runs that often, the tools taking turns, and its
# fastest run counts, so a build running beside the benchmark disturbs the
# times less.
# ONLY=A or ONLY=B: one half of the banners; MATCH=REGEX: banners whose name
# (class-index-size, e.g. photo-03-728x90) matches, for quick rounds.
# GIF_CORPUS_SEED=N: another 64 banners of the same kinds (see gif-corpus.py),
# both halves held out; use its own WORK_DIR.
# The banners are split by a rule fixed before any result: even index within
# the class is half A (for tuning), odd is half B (held out); every class has
# every size once in each half.
# WORK_DIR keeps corpus/ (the PNG banners), out/ (every tool's GIF), table.tsv
# (one row per banner and tool: name class size half tool psnr ssim bytes ms),
# checks.tsv and report.txt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Peers, in report order; each +gs peer is gifsicle -O3 over that peer's file.
# gifsicle keeps the pixels, so a +gs peer has its input's quality (checked),
# its own size and the time of its input's writer plus its own.
tools=(ours im ffmpeg vips vips-e10 vips-e10-nd im+gs ffmpeg+gs vips+gs vips-e10+gs vips-e10-nd+gs)

summarise() { # table.tsv [checks.tsv]
  /usr/bin/python3 - "$@" <<'PY'
import statistics, sys
from collections import OrderedDict

rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])][1:]
checks = {}
if len(sys.argv) > 2:
    for l in open(sys.argv[2]):
        name, ok, note = (l.rstrip("\n").split("\t") + ["", ""])[:3]
        checks[name] = (ok, note)
banners = OrderedDict()  # name -> (class, size, half, {tool: (psnr, ssim, bytes, ms)})
tools = []
for name, cls, size, half, tool, psnr, ssim, size_b, ms in rows:
    banners.setdefault(name, (cls, size, half, {}))[3][tool] = (float(psnr), float(ssim), int(size_b), float(ms))
    if tool not in tools:
        tools.append(tool)
peers = [t for t in tools if t != "ours"]
short = {"ours": "ours", "im": "im", "ffmpeg": "ff", "vips": "vips", "vips-e10": "v10", "vips-e10-nd": "v10nd"}
label = lambda t: "+".join(short.get(p, p) for p in t.split("+"))
IM, VIPS, NODITHER = "im", "vips", "vips-e10-nd"

print("Banners: %d. Halves: A = even index within its class (tuning), B = odd (held out);"
      " each class has each size once in each half." % len(banners))
print("PSNR and SSIM in dB (SSIM as -10 log10(1 - SSIM), 99 = exact); ms: fastest whole-process run.")
print("Tools: ours = gif-encode; im = ImageMagick convert; ff = ffmpeg palettegen/paletteuse;"
      " vips = vips gifsave; v10 = --effort 10; v10nd = --effort 10 --dither 0;"
      " +gs = gifsicle -O3 over that file (same pixels, its own size, time added).")
print()
head = "%-22s %-4s %-5s" % ("banner", "half", "")
print(head + "".join("%9s" % label(t) for t in tools))
for name, (cls, size, half, r) in banners.items():
    for k, (what, fmt) in enumerate((("psnr", "%9.2f"), ("ssim", "%9.2f"), ("bytes", "%9d"), ("ms", "%9.0f"))):
        line = "%-22s %-4s %-5s" % (name if k == 0 else "", half if k == 0 else "", what)
        line += "".join(fmt % r[t][k] if t in r else "%9s" % "-" for t in tools)
        if k == 0 and name in checks:
            line += "  " + " ".join(x for x in checks[name] if x)
        print(line)

def median(xs):
    return statistics.median(xs) if xs else float("nan")

def group(cls, half):
    return [(n, b) for n, b in banners.items()
            if (cls == "all" or b[0] == cls) and (half == "A+B" or b[2] == half)]

print()
print("Per class and half: median PSNR, median SSIM, total bytes, total ms; ours/peer = median of our size over the peer's")
print("%-14s %-5s" % ("group", "") + "".join("%9s" % label(t) for t in tools))
classes = [c for c in ("flat", "gradient", "photo", "mixed") if any(b[0] == c for b in banners.values())]
for cls in classes + ["all"]:
    print()
    for half in ("A", "B", "A+B"):
        g = group(cls, half)
        if not g:
            continue
        tag = "%-14s" % ("%s %s (%d)" % (cls, half, len(g)))
        both = [b[3] for _, b in g if all(t in b[3] for t in tools)]
        for k, (what, fmt, agg) in enumerate((("psnr", "%9.2f", median), ("ssim", "%9.2f", median),
                                              ("bytes", "%9d", sum), ("ms", "%9.0f", sum))):
            print("%-14s %-5s" % (tag if k == 0 else "", what)
                  + "".join(fmt % agg([r[t][k] for r in both]) for t in tools))
        print("%-14s %-5s" % ("", "ours/") + "%9s" % "-"
              + "".join("%9.3f" % median([r["ours"][2] / r[t][2] for r in both]) for t in peers))

def above(r, peer):
    return r["ours"][0] > r[peer][0] and r["ours"][1] > r[peer][1]

print()
for half in ("A", "B", "A+B"):
    g = [(n, b[3]) for n, b in group("all", half) if all(t in b[3] for t in (IM, VIPS, NODITHER, "ours"))]
    if not g:
        continue
    # A picture that we write exactly cannot be beaten on quality: not counted.
    low = [n for n, r in g if r["ours"][0] < 99 and not (above(r, IM) and above(r, NODITHER))]
    slow_im = [n for n, r in g if r["ours"][3] >= r[IM][3]]
    slow_vips = [n for n, r in g if r["ours"][3] >= r[VIPS][3]]
    print("half %-3s (%2d banners): size ours/im median %.3f, ours/v10nd median %.3f;"
          " PSNR or SSIM not above both im and v10nd: %d; time not below im: %d, not below vips: %d, either: %d"
          % (half, len(g), median([r["ours"][2] / r[IM][2] for _, r in g]),
             median([r["ours"][2] / r[NODITHER][2] for _, r in g]),
             len(low), len(slow_im), len(slow_vips), len(set(slow_im) | set(slow_vips))))
    if low:
        print("    quality not above both: " + " ".join(low))

print()
print("Dominated by (a peer's file smaller than ours with PSNR and SSIM at least ours):")
count = 0
for name, (cls, size, half, r) in banners.items():
    if "ours" not in r:
        continue
    us = r["ours"]
    by = [t for t in peers if t in r and r[t][2] < us[2] and r[t][0] >= us[0] and r[t][1] >= us[1]]
    if by:
        count += 1
        print("  %-22s %s  %s" % (name, half, " ".join(
            "%s(%.0f%%)" % (label(t), 100.0 * r[t][2] / us[2]) for t in by)))
print("  %d of %d banners" % (count, len(banners)) if count else "  none")
PY
}

if [ "${1:-}" = --summary ]; then
  summarise "${2:?work folder}/table.tsv" "$2/checks.tsv"
  exit
fi

build=${1:?build folder with bench/gif-encode and bench/gif-check}
work=${2:-$(mktemp -d)}
runs=${RUNS:-3}
only=${ONLY:-}
match=${MATCH:-}
case "$only" in "" | A | B) ;; *) echo "ONLY is A or B" >&2; exit 2 ;; esac
IM=/usr/bin/convert
encode="$build/bench/gif-encode"
check="$build/bench/gif-check"
mkdir -p "$work/out"
table="$work/table.tsv"
checks="$work/checks.tsv"
printf 'name\tclass\tsize\thalf\ttool\tpsnr\tssim\tbytes\tms\n' > "$table"
: > "$checks"

/usr/bin/python3 "$here/gif-corpus.py" "$work/corpus"

now() { date +%s.%N; }
# compare exits 1 when the pictures differ, which is the usual case here.
psnr() { { compare -metric PSNR "$1" "$2" null: 2>&1 || true; } | awk '{print ($1=="inf") ? 99 : $1}'; }
# SSIM as ffmpeg's filter gives it over R, G and B, written as -10 log10(1 - SSIM)
# in dB: the plain value of a good GIF is 0.9999..., too close to 1 to compare.
ssim() {
  ffmpeg -nostdin -v info -nostats -i "$1" -i "$2" -lavfi ssim -f null - 2>&1 |
    sed -n 's/.*All:[0-9.]* (\([0-9.inf]*\)).*/\1/p' | awk '{print ($1=="inf") ? 99 : $1}'
}
# One run of a command, in milliseconds.
run_ms() {
  local t0 t1
  t0=$(now); "$@" > /dev/null 2>&1 < /dev/null; t1=$(now)
  echo "($t1 - $t0) * 1000" | bc
}
# Fastest of $runs runs of a command, in milliseconds.
best_ms() {
  local best="" i ms
  for ((i = 0; i < runs; i++)); do
    ms=$(run_ms "$@")
    if [ -z "$best" ] || [ "$(echo "$ms < $best" | bc)" = 1 ]; then best=$ms; fi
  done
  echo "$best"
}

writer() { # tool in out: runs one writer
  local tool=$1 in=$2 out=$3
  case $tool in
    ours) "$encode" "$in" "$out" ;;
    im) "$IM" "$in" "$out" ;;
    ffmpeg) ffmpeg -nostdin -v error -y -i "$in" -vf "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$out" ;;
    vips) vips gifsave "$in" "$out" ;;
    vips-e10) vips gifsave "$in" "$out" --effort 10 ;;
    vips-e10-nd) vips gifsave "$in" "$out" --effort 10 --dither 0 ;;
  esac
}

echo "Banners in $work/corpus; $runs run(s) each${only:+, half $only}${match:+, names matching $match}" >&2
started=$(now)
count=0
while IFS=$'\t' read -r -u 3 name cls size half _; do
  [ "$name" = name ] && continue
  [ -n "$only" ] && [ "$half" != "$only" ] && continue
  [ -n "$match" ] && ! [[ $name =~ $match ]] && continue
  in="$work/corpus/$name.png"
  declare -A ms=() q=()
  # The writers take turns run by run, so that a slow spell of the machine
  # falls on them alike rather than on whichever ran during it.
  for ((r = 0; r < runs; r++)); do
    for tool in "${tools[@]}"; do
      [[ $tool == *+gs ]] && continue
      t=$(run_ms writer "$tool" "$in" "$work/out/$name.$tool.gif")
      if [ -z "${ms[$tool]:-}" ] || [ "$(echo "$t < ${ms[$tool]}" | bc)" = 1 ]; then ms[$tool]=$t; fi
    done
  done
  for tool in "${tools[@]}"; do
    out="$work/out/$name.$tool.gif"
    case $tool in
      *+gs)
        src=${tool%+gs}
        t=$(best_ms gifsicle -O3 "$work/out/$name.$src.gif" -o "$out")
        ms[$tool]=$(echo "${ms[$src]} + $t" | bc)
        q[$tool]=${q[$src]}
        ;;
      *)
        q[$tool]="$(psnr "$in" "$out")"$'\t'"$(ssim "$in" "$out")"
        ;;
    esac
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%.1f\n' "$name" "$cls" "$size" "$half" "$tool" "${q[$tool]}" \
      "$(stat -c %s "$out")" "${ms[$tool]}" >> "$table"
  done
  ours="$work/out/$name.ours.gif"
  "$encode" "$in" "$work/again.gif" > "$work/report.line"
  bad=""
  cmp -s "$ours" "$work/again.gif" || bad="$bad not-deterministic"
  [ "$(identify -format '%wx%h' "${ours}[0]")" = "$size" ] || bad="$bad im-size"
  "$check" "$ours" "${size%x*}" "${size#*x}" > /dev/null || bad="$bad decode"
  for tool in "${tools[@]}"; do
    [[ $tool == *+gs ]] || continue
    ae=$(compare -metric AE "$work/out/$name.${tool%+gs}.gif" "$work/out/$name.$tool.gif" null: 2>&1 || true)
    [ "$ae" = 0 ] || bad="$bad $tool-changed-pixels"
  done
  note=$(sed 's/.*colours=/c=/; s/ read=.*//' "$work/report.line")
  printf '%s\t%s\t%s\n' "$name" "${bad:-ok}" "$note" >> "$checks"
  printf '%-22s %s %s\n' "$name" "${bad:-ok}" "$note" >&2
  unset ms q
  count=$((count + 1))
done 3< "$work/corpus/corpus.tsv"
[ "$count" -gt 0 ] || { echo "no banner matches" >&2; exit 2; }
echo "$count banners in $(echo "$(now) - $started" | bc | cut -d. -f1) s" >&2
echo >&2

summarise "$table" "$checks" | tee "$work/report.txt"
if grep -qv $'\tok\t' "$checks"; then
  echo "Failed checks:" && grep -v $'\tok\t' "$checks"
  exit 1
fi
