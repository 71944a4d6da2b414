#!/usr/bin/python3
"""Makes the banner pictures that bench/gif-compare.sh feeds to the GIF writers.

    bench/gif-corpus.py OUT_DIR

64 banners, 24-bit PNG, in eight ad sizes and four classes: flat (one or two
plain colours), gradient, photo (a photograph filling the banner) and mixed
(a photograph panel beside a flat or gradient panel). Every banner carries
text: headline, line below, button, in several fonts and sizes, some outlined,
some with a drop shadow. The photographs and fonts come from Debian packages
(scripts/deps.sh compare installs them); ImageMagick's convert does the drawing.

All choices come from fixed seeds, so the files are the same on every run on
one machine. GIF_CORPUS_SEED=N (default 0) makes another 64 of the same kinds:
other texts, fonts, colours, photographs and crops, for checking figures on
banners nothing was tuned on. OUT_DIR/corpus.tsv lists them: name, class, size, half, photo,
fonts, text effect. The half is A for even indices within a class and B for
odd ones; each size appears twice per class, once in each half.

Files already there are kept while this script, the font files and the
photographs are unchanged; otherwise the folder's banners are made again.
"""

import hashlib
import os
import random
import subprocess
import sys

CONVERT = "/usr/bin/convert"

SIZES = ["468x60", "728x90", "300x250", "160x600", "320x50", "970x250", "300x600", "1200x628"]
CLASSES = ["flat", "gradient", "photo", "mixed"]
SEED = int(os.environ.get("GIF_CORPUS_SEED", "0"))
PER_CLASS = 2 * len(SIZES)

MATE = "/usr/share/backgrounds/mate/nature/"
SKIMAGE = "/usr/lib/python3/dist-packages/skimage/data/"
PHOTOS = [MATE + n + ".jpg" for n in (
    "Aqua", "Blinds", "Dune", "FreshFlower", "Garden", "GreenMeadow",
    "LadyBird", "RainDrops", "Storm", "TwoWings", "Wood", "YellowFlower")] + [
    SKIMAGE + n for n in ("astronaut.png", "chelsea.png", "coffee.png", "rocket.jpg", "motorcycle_left.png")]

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
LIBERATION = "/usr/share/fonts/truetype/liberation2/"
URW = "/usr/share/fonts/opentype/urw-base35/"
HEAD_FONTS = [DEJAVU + "DejaVuSans-Bold.ttf", LIBERATION + "LiberationSans-Bold.ttf",
              URW + "URWGothic-Demi.otf", DEJAVU + "DejaVuSerif-Bold.ttf",
              URW + "NimbusSansNarrow-Bold.otf", LIBERATION + "LiberationSerif-Bold.ttf",
              URW + "C059-Bold.otf", URW + "URWBookman-Demi.otf"]
BODY_FONTS = [DEJAVU + "DejaVuSans.ttf", LIBERATION + "LiberationSans-Regular.ttf",
              URW + "NimbusSans-Regular.otf", LIBERATION + "LiberationSerif-Italic.ttf",
              DEJAVU + "DejaVuSerif.ttf", URW + "P052-Roman.otf"]
BUTTON_FONTS = [LIBERATION + "LiberationSans-Bold.ttf", DEJAVU + "DejaVuSans-Bold.ttf",
                URW + "NimbusSans-Bold.otf"]

TEXTS = [
    ("Summer Sale", "Up to 40% off everything", "Shop now"),
    ("Fresh Coffee", "Roasted this morning, at your door by noon", "Order"),
    ("Book Your Trip", "Flights & hotels from €49", "Search"),
    ("New Collection", "Autumn / Winter 2025", "Discover"),
    ("Free Shipping", "On all orders over $50 — ends Sunday", "Learn more"),
    ("Learn Piano", "Your first lesson is free", "Start today"),
    ("Crème Brûlée Week", "Café Élysée · Paris 8e", "Réserver"),
    ("Cloud Storage", "2 TB for 1.99 a month", "Try free"),
    ("Big Game Night", "Stream it live in 4K HDR", "Watch"),
    ("Garden Days", "Seeds, tools and plants -25%", "See offers"),
    ("Run Further", "Lightweight shoes for every road", "Buy now"),
    ("Hello, Spring!", "Fresh flowers delivered daily", "Order now"),
    ("Black Friday", "Deals you won't see again this year", "Get deal"),
    ("Meet the New Z7", "Faster. Lighter. 18 h battery.", "Pre-order"),
]

# Background, accent (button or second area), text on the background, text on the accent.
FLAT = [("#1e5aa8", "#ffd400", "#ffffff", "#1a1a1a"), ("#e63946", "#1d3557", "#ffffff", "#ffffff"),
        ("#f4f1de", "#e07a5f", "#3d405b", "#ffffff"), ("#2a9d8f", "#e9c46a", "#ffffff", "#264653"),
        ("#000000", "#ff5a00", "#ffffff", "#ffffff"), ("#ffffff", "#0070f3", "#111111", "#ffffff"),
        ("#6a1b9a", "#ff8a00", "#ffffff", "#ffffff"), ("#0b3d2e", "#c9f31d", "#ffffff", "#0b3d2e"),
        ("#ffcc00", "#d62828", "#1a1a1a", "#ffffff"), ("#fdf0d5", "#780000", "#003049", "#fdf0d5")]
GRADIENTS = [("#ff8a00", "#6a1b9a"), ("#00c6ff", "#0072ff"), ("#f7971e", "#ffd200"),
             ("#11998e", "#38ef7d"), ("#fc466b", "#3f5efb"), ("#232526", "#414345"),
             ("#ee9ca7", "#ffdde1"), ("#141e30", "#243b55"), ("#8e2de2", "#4a00e0")]
EFFECTS = ["plain", "stroke", "shadow"]


def light(*colours):
    """Whether dark text reads better than white on these colours, mixed."""
    lum = 0.0
    for c in colours:
        r, g, b = (int(c[k:k + 2], 16) / 255 for k in (1, 3, 5))
        lum += (0.2126 * r + 0.7152 * g + 0.0722 * b) / len(colours)
    return lum > 0.6


def gradient_colours(pair):
    """Ink, outline, button and button ink for text on a gradient."""
    if light(*pair):
        return ("#1a1a1a", "#ffffff", "#1a1a1a", pair[0])
    return ("#ffffff", "#202020", "#ffffff", pair[1])


def im_text(s):
    """ImageMagick reads % as the start of an escape in label text."""
    return s.replace("%", "%%")


_measured = {}


def measure(font, text):
    """Width and height of text set at 100 points."""
    key = (font, text)
    if key not in _measured:
        out = subprocess.run([CONVERT, "-gravity", "center", "-font", font, "-pointsize", "100",
                              "label:" + im_text(text), "-format", "%w %h", "info:"],
                             check=True, capture_output=True, text=True).stdout
        _measured[key] = tuple(int(v) for v in out.split())
    return _measured[key]


def fit(font, text, max_w, max_h, largest=200.0):
    """Point size at which text fits in max_w x max_h."""
    w, h = measure(font, text)
    return max(7.0, min(largest, 100.0 * max_w / w, 100.0 * max_h / h))


def text_layer(font, pt, text, fill, effect, outline):
    """A transparent layer holding text, outlined or shadowed as asked."""
    pt = "%.1f" % pt
    base = ["+size", "-background", "none", "-gravity", "center", "-font", font, "-pointsize", pt]
    if effect == "stroke":
        width = "%.1f" % max(1.0, float(pt) / 14)
        return (["("] + base + ["-fill", fill, "-stroke", outline, "-strokewidth", width,
                                "label:" + im_text(text), "-stroke", "none", "label:" + im_text(text),
                                "-composite", ")"])
    layer = base + ["-fill", fill, "label:" + im_text(text)]
    if effect == "shadow":
        off = max(1, round(float(pt) / 16))
        sigma = "%.1f" % max(1.0, float(pt) / 20)
        layer += ["(", "+clone", "-background", outline, "-shadow", "70x%s+%d+%d" % (sigma, off, off), ")",
                  "+swap", "-background", "none", "-layers", "merge", "+repage"]
    return ["("] + layer + [")"]


def button_layer(font, pt, text, fill, ink, w, h):
    r = h // 4
    return ["(", "-size", "%dx%d" % (w, h), "xc:none", "-fill", fill,
            "-draw", "roundrectangle 0,0 %d,%d %d,%d" % (w - 1, h - 1, r, r),
            "-gravity", "center", "-font", font, "-pointsize", "%.1f" % pt, "-fill", ink,
            "-annotate", "+0+0", im_text(text), ")"]


def place(gravity, x, y):
    return ["-gravity", gravity, "-geometry", "%+d%+d" % (x, y), "-composite"]


def wrap(text, lines):
    """Text broken at spaces into about `lines` lines of even length."""
    words = text.split()
    if lines <= 1 or len(words) < 2:
        return text
    target = len(text) / lines
    out, cur = [], ""
    for word in words:
        if cur and len(cur) + 1 + len(word) > target * 1.15 and len(out) < lines - 1:
            out.append(cur)
            cur = word
        else:
            cur = (cur + " " + word) if cur else word
    out.append(cur)
    return "\n".join(out)


def text_args(w, h, words, fonts, colours, effect):
    """Layers with headline, line and button for a panel of w x h, composited on it."""
    head, sub, cta = words
    head_font, body_font, button_font = fonts
    ink, outline, button, button_ink = colours
    pad = max(4, round(min(w, h) * 0.08))
    # An outline would clog the smaller line below the headline: it gets a shadow instead.
    sub_effect = "shadow" if effect == "stroke" else effect
    args = []
    ratio = w / h
    if ratio >= 2.4:  # leaderboards: text on the left, button on the right
        bh = max(16, min(round(h * 0.46), 64))
        bpt = fit(button_font, cta, 10000, bh * 0.55)
        bw = round(measure(button_font, cta)[0] * bpt / 100) + bh
        args += button_layer(button_font, bpt, cta, button, button_ink, bw, bh) + place("East", pad, 0)
        tw = w - bw - 3 * pad
        if h >= 80:
            hpt = fit(head_font, head, tw, h * 0.46)
            spt = min(hpt * 0.55, fit(body_font, sub, tw, h * 0.22))
            hh = measure(head_font, head)[1] * hpt / 100
            sh = measure(body_font, sub)[1] * spt / 100
            gap = (h - hh - sh) / 3
            args += text_layer(head_font, hpt, head, ink, effect, outline) + place(
                "NorthWest", pad, round(gap))
            args += text_layer(body_font, spt, sub, ink, sub_effect, outline) + place(
                "SouthWest", pad, round(gap))
        else:
            hpt = fit(head_font, head, tw, h * 0.62)
            args += text_layer(head_font, hpt, head, ink, effect, outline) + place("West", pad, 0)
        return args
    tall = ratio <= 0.6
    inner = w - 2 * pad
    head_t = wrap(head, 3 if tall else (2 if ratio < 1.4 else 1))
    sub_t = wrap(sub, 4 if tall else (2 if ratio < 2 else 1))
    hpt = fit(head_font, head_t, inner, h * (0.30 if tall else 0.34))
    spt = min(hpt * 0.6, fit(body_font, sub_t, inner, h * (0.2 if tall else 0.18)))
    bh = max(18, min(round(h * (0.09 if tall else 0.16)), 90))
    bpt = fit(button_font, cta, 10000, bh * 0.5)
    bw = min(inner, round(measure(button_font, cta)[0] * bpt / 100) + bh)
    args += text_layer(head_font, hpt, head_t, ink, effect, outline) + place("North", 0, pad)
    args += text_layer(body_font, spt, sub_t, ink, sub_effect, outline) + place(
        "Center", 0, round(h * (0.06 if tall else 0.04)))
    args += button_layer(button_font, bpt, cta, button, button_ink, bw, bh) + place("South", 0, pad)
    return args


_dims = {}


def photo_size(path):
    if path not in _dims:
        out = subprocess.run(["/usr/bin/identify", "-format", "%w %h", path + "[0]"],
                             check=True, capture_output=True, text=True).stdout
        _dims[path] = tuple(int(v) for v in out.split())
    return _dims[path]


def largest_crop(path, w, h):
    sw, sh = photo_size(path)
    return (sw, sw * h / w) if sw / sh <= w / h else (sh * w / h, sh)


def photo_args(start, w, h, rng):
    """A photograph cropped to w x h, scaled by no more than 1.2 times; starts
    looking at PHOTOS[start] and takes the first that is large enough."""
    for k in range(len(PHOTOS)):
        path = PHOTOS[(start + k) % len(PHOTOS)]
        cw, ch = largest_crop(path, w, h)
        if cw * 1.2 >= w:
            break
    sw, sh = photo_size(path)
    zoom = rng.uniform(1.0, max(1.0, min(2.5, cw * 1.2 / w)))
    cw, ch = cw / zoom, ch / zoom
    x, y = rng.uniform(0, sw - cw), rng.uniform(0, sh - ch)
    crop = "%dx%d+%d+%d" % (round(cw), round(ch), round(x), round(y))
    args = ["(", path + "[0]", "-colorspace", "sRGB", "-crop", crop, "+repage",
            "-resize", "%dx%d!" % (w, h), ")"]
    return args, "%s:%s" % (os.path.basename(path), crop)


def gradient_args(w, h, pair, rng):
    kind = rng.randrange(3)
    if kind == 2:
        return ["(", "-size", "%dx%d" % (w, h), "radial-gradient:%s-%s" % (pair[1], pair[0]), ")"], "radial"
    angle = rng.choice([0, 45, 90, 135, 180, 270]) if kind == 1 else 90
    return ["(", "-size", "%dx%d" % (w, h), "-define", "gradient:angle=%d" % angle,
            "gradient:%s-%s" % pair, ")"], "linear%d" % angle


def banner(cls, i):
    """Arguments to convert for banner i of class cls, and what it holds."""
    ci = CLASSES.index(cls)
    size = SIZES[i // 2]
    w, h = (int(v) for v in size.split("x"))
    rng = random.Random("%s-%d" % (cls, i) if SEED == 0 else "%s-%d-%d" % (cls, i, SEED))
    # Each list turns by the seed at its own pace, so other seeds pair them anew.
    words = TEXTS[(i * 5 + ci * 3 + SEED) % len(TEXTS)]
    fonts = (HEAD_FONTS[(i * 3 + ci + 3 * SEED) % len(HEAD_FONTS)], BODY_FONTS[(i + 2 * ci + SEED) % len(BODY_FONTS)],
             BUTTON_FONTS[(i + ci + 2 * SEED) % len(BUTTON_FONTS)])
    effect = EFFECTS[(i + ci + SEED) % len(EFFECTS)]
    flat = FLAT[(i * 3 + ci + 7 * SEED) % len(FLAT)]
    pair = GRADIENTS[(i * 2 + ci + 5 * SEED) % len(GRADIENTS)]
    photo = "-"
    args = []
    if cls == "flat":
        bg, accent, ink, accent_ink = flat
        args += ["-size", size, "xc:" + bg]
        if i % 4 in (1, 2):  # a second plain area: a band across or down the banner
            if w >= h:
                band = ["rectangle %d,0 %d,%d" % (round(w * 0.62), w - 1, h - 1)]
            else:
                band = ["rectangle 0,%d %d,%d" % (round(h * 0.7), w - 1, h - 1)]
            args += ["-fill", accent, "-draw", band[0]]
            accent, accent_ink = ink, bg
        outline = "#000000" if effect == "shadow" else accent
        args += text_args(w, h, words, fonts, (ink, outline, accent, accent_ink), effect)
    elif cls == "gradient":
        grad, kind = gradient_args(w, h, pair, rng)
        args += grad
        photo = kind
        args += text_args(w, h, words, fonts, gradient_colours(pair), effect)
    elif cls == "photo":
        pic, photo = photo_args(i * 7 + ci + 5 * SEED, w, h, rng)
        args += pic
        if effect == "plain":  # a dark veil behind the text so it reads
            args += ["(", "-size", size, "gradient:#00000000-#000000a0", ")", "-composite"]
        args += text_args(w, h, words, fonts, ("#ffffff", "#000000", flat[1], flat[3]), effect)
    else:  # mixed: a photo panel beside a flat or gradient panel with the text
        side = w / h >= 1.0 and not (size == "300x250" and i % 2)
        frac = rng.uniform(0.34, 0.5)
        pw, ph = (round(w * frac), h) if side else (w, round(h * frac))
        tw, th = (w - pw, h) if side else (w, h - ph)
        pic, photo = photo_args(i * 7 + ci + 3 + 5 * SEED, pw, ph, rng)
        if i % 4 in (0, 3):
            bg, accent, ink, accent_ink = flat
            panel = ["(", "-size", "%dx%d" % (tw, th), "xc:" + bg]
            outline = "#000000" if effect == "shadow" else accent
            colours = (ink, outline, accent, accent_ink)
        else:
            grad, kind = gradient_args(tw, th, pair, rng)
            panel = ["("] + grad
            colours = gradient_colours(pair)
            photo += "+" + kind
        panel += text_args(tw, th, words, fonts, colours, effect) + [")"]
        first = i % 2 == 0
        args += (pic + panel if first else panel + pic) + ["+append" if side else "-append"]
    info = {"size": size, "half": "A" if i % 2 == 0 else "B", "photo": photo,
            "fonts": ",".join(os.path.basename(f).rsplit(".", 1)[0] for f in fonts), "effect": effect}
    return args, info


def stamp():
    h = hashlib.sha256(b"seed %d\n" % SEED)
    with open(__file__, "rb") as f:
        h.update(f.read())
    for path in PHOTOS + HEAD_FONTS + BODY_FONTS + BUTTON_FONTS:
        st = os.stat(path)
        h.update(("%s %d %d\n" % (path, st.st_size, int(st.st_mtime))).encode())
    h.update(subprocess.run([CONVERT, "-version"], capture_output=True).stdout)
    return h.hexdigest()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: gif-corpus.py OUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    missing = [p for p in PHOTOS + HEAD_FONTS + BODY_FONTS + BUTTON_FONTS if not os.path.exists(p)]
    if missing:
        sys.exit("missing (scripts/deps.sh compare installs them): " + " ".join(missing))
    mark = os.path.join(out, ".stamp")
    now = stamp()
    old = open(mark).read().strip() if os.path.exists(mark) else ""
    if old != now:
        for f in os.listdir(out):
            if f.endswith(".png"):
                os.remove(os.path.join(out, f))
    rows = []
    for cls in CLASSES:
        for i in range(PER_CLASS):
            args, info = banner(cls, i)
            name = "%s-%02d-%s" % (cls, i, info["size"])
            path = os.path.join(out, name + ".png")
            if not os.path.exists(path):
                # No time or date chunks, so the same banner makes the same file.
                subprocess.run([CONVERT, "-respect-parentheses"] + args +
                               ["-alpha", "off", "-depth", "8", "-strip",
                                "-define", "png:exclude-chunks=date,time", "PNG24:" + path + ".tmp"],
                               check=True)
                os.replace(path + ".tmp", path)
            rows.append("\t".join([name, cls, info["size"], info["half"], info["photo"],
                                   info["fonts"], info["effect"]]))
    with open(os.path.join(out, "corpus.tsv"), "w") as f:
        f.write("name\tclass\tsize\thalf\tsource\tfonts\teffect\n" + "\n".join(rows) + "\n")
    with open(mark, "w") as f:
        f.write(now + "\n")


if __name__ == "__main__":
    main()
