#!/usr/bin/python3
"""A random user: the editor on a private Xvfb receives random clicks, drags,
double clicks, keys and typed text, as an unprivileged user in a scratch
folder. Any death by a signal, any exit other than a normal one, or any
sanitizer report fails the run; the seed and the event are printed so that
the run can be replayed.

  monkey.py BUILD_DIR [--seeds 1 2 3] [--events 1000]

Exit 77 (skipped), with a line saying why, where Xvfb or xdotool is missing.
A normal end (File > Exit, the close box) starts the editor again.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 800, 600
KEYS = ["Return", "Escape", "Tab", "shift+Tab", "Up", "Down", "Left", "Right", "Home", "End", "Page_Up",
        "Page_Down", "space", "BackSpace", "Delete", "alt+f", "alt+e", "alt+h", "alt+s", "F1", "F10", "ctrl+a",
        "ctrl+c", "ctrl+v", "Menu", "alt+F4"]
WORDS = ["sale", "20% off", "Tarvello", "x", "../..", "/tmp", "a b c", "\u00e9t\u00e9", "*", "banner.gif", "0"]
REPORT = re.compile(r"ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer|AddressSanitizer:DEADLYSIGNAL")
NOBODY = 65534


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(77)


def point(rng):
    return rng.randrange(WIDTH), rng.randrange(HEIGHT)


def event(rng):
    """One random event as xdotool words, and a short description of it."""
    kind = rng.choices(["click", "right", "double", "drag", "key", "type", "wheel"], [30, 5, 12, 15, 23, 10, 5])[0]
    x, y = point(rng)
    if kind == "click":
        return ["mousemove", str(x), str(y), "click", "--delay", "10", "1"], f"click {x},{y}"
    if kind == "right":
        return ["mousemove", str(x), str(y), "click", "--delay", "10", "3"], f"right click {x},{y}"
    if kind == "double":
        return ["mousemove", str(x), str(y), "click", "--repeat", "2", "--delay", "60", "1"], f"double click {x},{y}"
    if kind == "wheel":
        return ["mousemove", str(x), str(y), "click", "--delay", "10", rng.choice(["4", "5"])], f"wheel {x},{y}"
    if kind == "drag":
        tx, ty = point(rng)
        words = ["mousemove", str(x), str(y), "mousedown", "1"]
        for step in (1, 2, 3):
            words += ["mousemove", str(x + (tx - x) * step // 3), str(y + (ty - y) * step // 3), "sleep", "0.01"]
        return words + ["mouseup", "1"], f"drag {x},{y} to {tx},{ty}"
    if kind == "key":
        key = rng.choice(KEYS)
        return ["key", key], f"key {key}"
    text = rng.choice(WORDS)
    return ["type", "--delay", "5", text], f"type {text!r}"


class Editor:
    def __init__(self, program, scratch, env):
        self.program, self.scratch, self.env = program, scratch, env
        self.log = os.path.join(scratch, "editor.log")
        self.process = None
        self.starts = 0

    def start(self):
        self.starts += 1
        with open(self.log, "ab") as log:
            self.process = subprocess.Popen(
                ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", self.program],
                cwd=self.scratch, env=self.env, stdout=log, stderr=log, stdin=subprocess.DEVNULL)
        time.sleep(1.5 if self.starts == 1 else 0.8)

    def trouble(self):
        """Why the editor failed, or None; a normal end starts it again."""
        with open(self.log, errors="replace") as log:
            report = REPORT.search(log.read())
        if report:
            return f"a sanitizer report ({report.group(0)}); see {self.log}"
        status = self.process.poll()
        if status is None:
            return None
        if status != 0:
            return f"the editor ended with {'signal ' + str(-status) if status < 0 else 'status ' + str(status)}"
        self.start()
        return None

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--seeds", type=int, nargs="+", default=[1, 2, 3])
    parser.add_argument("--events", type=int, default=1000)
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "setpriv"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed (scripts/deps.sh test installs it)")
    if os.geteuid() != 0:
        skip("the random user runs as an unprivileged user, which only root can switch to")

    scratch = tempfile.mkdtemp(prefix="tarvello-monkey.")
    os.chmod(scratch, 0o755)
    # The editor and its decoder, where the unprivileged user can run them.
    for name in ("tarvello", "tarvello-decoder"):
        shutil.copy2(os.path.join(args.build, name), scratch)
    home = os.path.join(scratch, "home")
    os.makedirs(os.path.join(home, "run"))
    for folder in (home, os.path.join(home, "run")):
        os.chown(folder, NOBODY, NOBODY)
    os.chmod(os.path.join(home, "run"), 0o700)
    # Pictures for the viewer and Load to come upon: still, animated and cut short.
    if shutil.which("convert"):
        for name, how in (("photo.jpg", ["-size", "640x360", "plasma:fractal"]),
                          ("flat.bmp", ["-size", "468x60", "xc:orange"]),
                          ("anim.gif", ["-size", "60x40", "xc:red", "xc:blue", "xc:green", "-set", "delay", "5"])):
            subprocess.run(["convert", "-seed", "1"] + how + [os.path.join(home, name)], check=False)
        with open(os.path.join(home, "photo.jpg"), "rb") as whole, open(os.path.join(home, "cut.jpg"), "wb") as cut:
            cut.write(whole.read()[:5000])

    display_file = os.path.join(scratch, "display")
    with open(display_file, "w") as number:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(number.fileno()), "-screen", "0", f"{WIDTH}x{HEIGHT}x24",
                                 "-nolisten", "tcp"], pass_fds=[number.fileno()],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.getsize(display_file) > 0 or xvfb.poll() is not None:
            break
        time.sleep(0.1)
    if os.path.getsize(display_file) == 0:
        skip("Xvfb cannot start")
    display = ":" + open(display_file).read().strip()
    env = {"PATH": "/usr/bin:/bin", "DISPLAY": display, "HOME": home, "XDG_RUNTIME_DIR": os.path.join(home, "run"),
           "QT_QPA_PLATFORM": "xcb", "LANG": "C.UTF-8",
           "ASAN_OPTIONS": "detect_leaks=0:halt_on_error=1", "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1"}
    editor = Editor(os.path.join(scratch, "tarvello"), home, env)
    failure = None
    try:
        for seed in args.seeds:
            rng = random.Random(seed)
            editor.start()
            started = time.monotonic()
            batch, done = [], []
            for n in range(1, args.events + 1):
                words, what = event(rng)
                batch += words + ["sleep", "0.005"]
                done.append(f"event {n}: {what}")
                if len(done) < 20 and n < args.events:
                    continue
                subprocess.run(["xdotool"] + batch, env={"DISPLAY": display}, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=60)
                trouble = editor.trouble()
                if trouble:
                    failure = f"seed {seed}, by {done[-1]} or one of the {len(done) - 1} before it: {trouble}"
                    break
                batch, done = [], []
            if failure:
                break
            print(f"seed {seed}: {args.events} events in {time.monotonic() - started:.0f} s, "
                  f"editor started {editor.starts} time(s), nothing found")
            editor.stop()
            editor.starts = 0
    finally:
        editor.stop()
        xvfb.kill()
        xvfb.wait()
    if failure:
        print(f"FAIL: {failure}")
        print(f"Replay: scripts/monkey.py {args.build} --seeds {seed} --events {args.events}")
        with open(editor.log, errors="replace") as log:
            print("".join(log.readlines()[-40:]))
        return 1
    shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
