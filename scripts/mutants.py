#!/usr/bin/env python3
"""Measures how many injected faults the test suite catches.

Samples small mutants over the program's sources, every folder of it (a
flipped comparison, a deleted call, a changed constant), and for each one:
applies it, rebuilds the tests incrementally, runs them with ctest, and puts
the file back. A mutant that does not compile is skipped; one listed in
scripts/mutants-equivalent.txt is counted apart, with the reason given there.
At the end it prints the seed, the score and every survivor.

  scripts/mutants.py [--count 60] [--seed N] [--build build-test] [--list]
                     [--only N,N,...] [--sample FILE]

Without --seed the seed is the date (20261208): each day draws a fresh sample.

--sample keeps the drawn sample in FILE, or reuses the one there, so that a
later run tries the same mutants after the sources around them have moved.

Needs a configured and built test tree (make test). The tests of the mutated
file's own folder run first, the rest only when those pass.
"""

import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..'))
FOLDERS = ['app', 'banner', 'files', 'viewer', 'about', 'platform', 'common']
# Not drawn from: sources built only for Windows, and start-up's main, which
# only the desktop checks run (too slow to run for every mutant).
LEFT_OUT = re.compile(r'_win\.cpp$|^app/main\.cpp$')


def sources():
    found = []
    for folder in FOLDERS:
        for base, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                path = os.path.relpath(os.path.join(base, name), ROOT)
                if name.endswith('.cpp') and not LEFT_OUT.search(path):
                    found.append(path)
    return sorted(found)

EQUIVALENT = os.path.join(ROOT, 'scripts', 'mutants-equivalent.txt')
FLIPS = {'<': '<=', '<=': '<', '>': '>=', '>=': '>', '==': '!=', '!=': '=='}
COMPARISON = re.compile(r'(?<=\s)(<=|>=|==|!=|<|>)(?=\s)')
CONSTANT = re.compile(r'(?<![\w.])(\d+)(?![\w.])')
# A statement that is only a call: no assignment, declaration or control word.
CALL = re.compile(r'^(\s*)(?!return\b|if\b|else\b|for\b|while\b|switch\b|case\b|delete\b)'
                  r'[\w:]+(?:(?:\.|->)[\w]+)*\s*\([^;]*\);\s*$')


def code_part(line):
    """The line without its comment, with string and character literals blanked."""
    line = re.sub(r'"(?:\\.|[^"\\])*"', lambda m: '"' + ' ' * (len(m.group()) - 2) + '"', line)
    line = re.sub(r"'(?:\\.|[^'\\])*'", lambda m: "'" + ' ' * (len(m.group()) - 2) + "'", line)
    cut = line.find('//')
    return line if cut < 0 else line[:cut]


def candidates():
    found = []
    for path in sources():
        with open(os.path.join(ROOT, path)) as f:
            lines = f.read().split('\n')
        for number, line in enumerate(lines, 1):
            code = code_part(line)
            stripped = code.strip()
            if not stripped or stripped.startswith(('#', '*', '/*')):
                continue
            for m in COMPARISON.finditer(code):
                if code[m.start() - 2:m.start()] == 'Q_':  # never inside a macro name
                    continue
                new = line[:m.start()] + FLIPS[m.group(1)] + line[m.end():]
                found.append((path, number, 'comparison', line, new))
            for m in CONSTANT.finditer(code):
                value = int(m.group(1))
                # Sizes in twips are rounded to pixels: a change of one would often do nothing.
                changed = 0 if value == 1 else value + 1 if value < 16 else value + value // 2
                new = line[:m.start()] + str(changed) + line[m.end():]
                found.append((path, number, 'constant', line, new))
            m = CALL.match(code)
            if m and code.count('(') == code.count(')'):
                # An empty block, not `;`: the warning set rejects `if (x) ;`.
                found.append((path, number, 'deleted call', line, m.group(1) + '{}'))
    return found


def draw(found, count, seed):
    """Spreads the sample over the files, taking the kinds of mutant in turn."""
    rng = random.Random(seed)
    pools = {}
    for mutant in found:
        pools.setdefault(mutant[0], {}).setdefault(mutant[2], []).append(mutant)
    for kinds in pools.values():
        for pool in kinds.values():
            rng.shuffle(pool)
    files = sorted(pools)
    rng.shuffle(files)
    order = ['comparison', 'deleted call', 'constant']
    sample, turn = [], 0
    while len(sample) < count and any(any(k.values()) for k in pools.values()):
        for path in files:
            if len(sample) == count:
                break
            for step in range(3):
                pool = pools[path].get(order[(turn + step) % 3])
                if pool:
                    sample.append(pool.pop())
                    break
            turn += 1
    return sample


def key(mutant):
    path, _, kind, old, new = mutant
    return '%s|%s|%s' % (path, old.strip(), new.strip())


def load_equivalent():
    known = {}
    if os.path.exists(EQUIVALENT):
        with open(EQUIVALENT) as f:
            for line in f:
                if line.strip() and not line.startswith('#'):
                    ident, _, reason = line.rstrip('\n').partition('  # ')
                    known[ident.strip()] = reason
    return known


def test_targets():
    """Test executables by folder, read from the tests' CMake files."""
    by_folder = {}
    for folder in sorted(os.listdir(os.path.join(ROOT, 'tests'))):
        cmake = os.path.join(ROOT, 'tests', folder, 'CMakeLists.txt')
        if os.path.exists(cmake):
            with open(cmake) as f:
                by_folder[folder] = re.findall(r'^tarvello_test\((\w+)', f.read(), re.M)
    return by_folder


def run(command, build, timeout):
    try:
        return subprocess.run(command, cwd=build, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def try_mutant(mutant, build, by_folder):
    """'killed', 'survived' or 'no build'."""
    folder = mutant[0].split('/')[0]
    first = by_folder.get(folder, [])
    everything = [t for names in by_folder.values() for t in names]
    rest = [t for t in everything if t not in first]
    for phase in (first, rest):
        if not phase:
            continue
        if run(['nice', '-n', '10', 'cmake', '--build', '.', '-j', '2', '--target'] + phase, build, 900) != 0:
            return 'no build'
        pattern = '^(' + '|'.join(phase) + ')'
        status = run(['nice', '-n', '10', 'ctest', '-j', '2', '--stop-on-failure', '--timeout', '120',
                      '-R', pattern, '-E', '^desktop_'], build, 1800)
        if status != 0:
            return 'killed'
    return 'survived'


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--count', type=int, default=60)
    parser.add_argument('--seed', type=int, default=int(time.strftime('%Y%m%d')))
    parser.add_argument('--build', default='build-test')
    parser.add_argument('--list', action='store_true', help='print the sample without running it')
    parser.add_argument('--only', default='', help='comma-separated sample numbers to run')
    parser.add_argument('--sample', help='file that keeps the sample between runs')
    parser.add_argument('--every', default='', help='comma-separated source files: every fault in them, no sample')
    args = parser.parse_args()

    if args.sample and os.path.exists(args.sample):
        with open(args.sample) as f:
            sample = [tuple(m) for m in json.load(f)]
    elif args.every:
        files = set(args.every.split(','))
        sample = [m for m in candidates() if m[0] in files]
    else:
        sample = draw(candidates(), args.count, args.seed)
        if args.sample:
            with open(args.sample, 'w') as f:
                json.dump(sample, f, indent=1)
    equivalent = load_equivalent()
    only = {int(n) for n in args.only.split(',') if n}
    build = os.path.join(ROOT, args.build)
    by_folder = test_targets()

    originals = {}

    def restore(*_):
        for path, text in originals.items():
            with open(os.path.join(ROOT, path), 'w') as f:
                f.write(text)
        originals.clear()

    # Whatever ends the run, the source is put back.
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: (restore(), sys.exit(130)))

    counts = {'killed': 0, 'survived': 0, 'no build': 0, 'equivalent': 0}
    survivors = []
    print('seed %d, %d mutants' % (args.seed, len(sample)), flush=True)
    try:
        for number, mutant in enumerate(sample, 1):
            if only and number not in only:
                continue
            path, line, kind, old, new = mutant
            label = '%2d %s:%d %s: %s  ->  %s' % (number, path, line, kind, old.strip(), new.strip())
            if key(mutant) in equivalent:
                counts['equivalent'] += 1
                print('%s\n   equivalent: %s' % (label, equivalent[key(mutant)]), flush=True)
                continue
            if args.list:
                print(label)
                continue
            full = os.path.join(ROOT, path)
            with open(full) as f:
                text = f.read()
            lines = text.split('\n')
            # The line itself, wherever it has moved since the sample was drawn.
            places = [i for i, l in enumerate(lines) if l == old]
            if not places:
                print('%s\n   gone from the source' % label, flush=True)
                continue
            lines[min(places, key=lambda i: abs(i - (line - 1)))] = new
            originals[path] = text
            with open(full, 'w') as f:
                f.write('\n'.join(lines))
            started = time.time()
            try:
                result = try_mutant(mutant, build, by_folder)
            finally:
                restore()
            counts[result] += 1
            if result == 'survived':
                survivors.append('%s:%d %s: %s  ->  %s' % (path, line, kind, old.strip(), new.strip()))
            print('%s\n   %s (%.0f s)' % (label, result, time.time() - started), flush=True)
    finally:
        restore()
        if not args.list:
            # Leave the tree built from the real sources.
            run(['nice', '-n', '10', 'cmake', '--build', '.', '-j', '2'], build, 1800)

    judged = counts['killed'] + counts['survived']
    if judged:
        print('seed %d: killed %d of %d non-equivalent mutants (%.0f%%); %d equivalent, %d did not build'
              % (args.seed, counts['killed'], judged, 100.0 * counts['killed'] / judged, counts['equivalent'],
                 counts['no build']))
        for survivor in survivors:
            print('  survived: ' + survivor)
    return 0


if __name__ == '__main__':
    sys.exit(main())
