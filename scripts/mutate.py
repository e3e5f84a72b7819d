#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Kudora developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fault-injection probe: mutate src/ at seeded random sites, rebuild, run the suite.

usage: mutate.py sites  --src DIR --seed N --count K > sites.json
       mutate.py map    --src DIR --sites old-sites.json > sites.json
       mutate.py run    --src DIR --build DIR --sites sites.json --out log.jsonl [--from I --to J]
map finds the same faults in a tree whose files moved or changed since the sites were drawn: each
site's line, by its text, in the file of the same name (else in any file); a site whose line is
gone or is no longer one of a kind is left out and named on the standard error.
The build dir must be configured from --src (dev preset, KUDORA_WERROR=OFF).
"""
import argparse, json, random, re, signal, subprocess, sys, time, os

# A killed probe must still put the source back (the finally blocks run on SystemExit).
signal.signal(signal.SIGTERM, lambda *a: sys.exit(1))
from pathlib import Path

CMP = [(' == ', ' != '), (' != ', ' == '), (' < ', ' >= '), (' > ', ' <= '),
       (' <= ', ' > '), (' >= ', ' < '), (' && ', ' || '), (' || ', ' && ')]


def code_lines(text):
    """Yield (lineno, line) for lines that are code, skipping comments and preprocessor."""
    in_block = False
    for i, line in enumerate(text.split('\n')):
        s = line.strip()
        if in_block:
            if '*/' in s:
                in_block = False
            continue
        if s.startswith('/*'):
            if '*/' not in s:
                in_block = True
            continue
        if not s or s.startswith('//') or s.startswith('#'):
            continue
        yield i, line


def strip_strings(line):
    return re.sub(r'"(\\.|[^"\\])*"', lambda m: ' ' * len(m.group(0)), line)


def sites_in(path, rel):
    text = path.read_text()
    out = []
    for i, line in code_lines(text):
        code = strip_strings(line.split('//')[0])
        for a, b in CMP:
            for m in re.finditer(re.escape(a), code):
                out.append(dict(file=rel, line=i, col=m.start(), op='cmp', old=a, new=b))
        for m in re.finditer(r'\b(true|false)\b', code):
            new = 'false' if m.group(1) == 'true' else 'true'
            out.append(dict(file=rel, line=i, col=m.start(), op='lit', old=m.group(1), new=new))
        for m in re.finditer(r'(?<![\w.])(\d+)(?![\w.])', code):
            n = int(m.group(1))
            out.append(dict(file=rel, line=i, col=m.start(), op='lit', old=m.group(1),
                            new=str(n + 1 if n == 0 else n - 1 if n > 1 else 0)))
        s = code.strip()
        m = re.match(r'return (.+);$', s)
        if m and m.group(1) not in ('{}',):
            out.append(dict(file=rel, line=i, col=code.index('return'), op='ret',
                            old=line[code.index('return'):], new='return {};'))
        # a whole statement on one line: a call, assignment or increment
        if s.endswith(';') and not s.startswith(('return', 'case', 'default', 'break', 'continue')) \
                and s.count('(') == s.count(')') and not re.match(r'^(const |auto |static |[A-Z]\w*[<\s&*])', s) \
                and (re.search(r'\w\(', s) or re.search(r'(\+\+|--|[^=!<>]=[^=])', s)) \
                and not s.startswith(('}', ')')):
            out.append(dict(file=rel, line=i, col=0, op='drop', old=line, new=''))
    return out


def all_sites(src):
    src = Path(src)
    sites = []
    for p in sorted(src.glob('src/**/*.cpp')):
        rel = str(p.relative_to(src))
        if rel.endswith('main.cpp'):
            continue
        sites += sites_in(p, rel)
    return sites


def map_sites(src, sites):
    src = Path(src)
    files = [p for p in sorted(src.glob('src/**/*.cpp')) if not str(p).endswith('main.cpp')]
    texts = {str(p.relative_to(src)): p.read_text().split('\n') for p in files}
    mapped = []
    for site in sites:
        old_text = site.get('text')
        if old_text is None:
            mapped.append(site)
            continue
        name = Path(site['file']).name
        def hits(candidates):
            return [(f, i) for f in candidates for i, line in enumerate(texts[f]) if line.strip() == old_text]
        found = hits([f for f in texts if Path(f).name == name]) or hits(list(texts))
        if len(found) > 1:
            # Of a line that occurs more than once, the one whose neighbours are as they were.
            def score(hit):
                f, i = hit
                near = lambda j: texts[f][j].strip() if 0 <= j < len(texts[f]) else None
                return (near(i - 1) == site.get('before')) + (near(i + 1) == site.get('after'))
            best = max(map(score, found))
            found = [hit for hit in found if score(hit) == best] if best else found
        if len(found) != 1:
            print(f"gone: {site['file']}:{site['line'] + 1} {old_text}", file=sys.stderr)
            continue
        f, i = found[0]
        line = texts[f][i]
        shift = (len(line) - len(line.lstrip())) - site['indent']
        mapped.append(dict(site, file=f, line=i, col=max(0, site['col'] + shift) if site['op'] != 'drop' else 0))
    return mapped


def apply(src, site):
    p = Path(src) / site['file']
    lines = p.read_text().split('\n')
    line = lines[site['line']]
    if site['op'] == 'drop':
        indent = line[:len(line) - len(line.lstrip())]
        lines[site['line']] = indent + ';'
    elif site['op'] == 'ret':
        lines[site['line']] = line[:site['col']] + site['new']
    else:
        c = site['col']
        assert line[c:c + len(site['old'])] == site['old'], (site, line)
        lines[site['line']] = line[:c] + site['new'] + line[c + len(site['old']):]
    return p, '\n'.join(lines)


def run(args):
    sites = json.load(open(args.sites))
    sel = sites[args.frm:args.to]
    out = open(args.out, 'a')
    env = dict(os.environ, QT_QPA_PLATFORM='offscreen')
    for idx, site in enumerate(sel, start=args.frm):
        p, mutated = apply(args.src, site)
        original = p.read_text()
        p.write_text(mutated)
        t0 = time.time()
        try:
            b = subprocess.run(['cmake', '--build', args.build], capture_output=True, text=True, env=env)
            if b.returncode != 0:
                status, failed = 'nocompile', []
            else:
                t = subprocess.run(['ctest', '--test-dir', args.build, '-j2', '--timeout', '120'],
                                   capture_output=True, text=True, env=env)
                failed = re.findall(r'\d+ - (\w+) \(', t.stdout.split('The following tests FAILED')[-1]) \
                    if t.returncode else []
                status = 'killed' if t.returncode else 'survived'
        finally:
            p.write_text(original)
            os.utime(p)
        rec = dict(i=idx, **{k: site[k] for k in ('file', 'line', 'col', 'op', 'old', 'new')},
                   status=status, failed=failed, secs=round(time.time() - t0, 1))
        out.write(json.dumps(rec) + '\n')
        out.flush()
        print(idx, status, site['file'], site['line'] + 1, site['op'], failed, flush=True)
    subprocess.run(['cmake', '--build', args.build], capture_output=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('cmd')
    ap.add_argument('--src', default='.')
    ap.add_argument('--build')
    ap.add_argument('--seed', type=int, default=15)
    ap.add_argument('--count', type=int, default=120)
    ap.add_argument('--sites')
    ap.add_argument('--out')
    ap.add_argument('--from', dest='frm', type=int, default=0)
    ap.add_argument('--to', type=int, default=None)
    args = ap.parse_args()
    if args.cmd == 'sites':
        s = all_sites(args.src)
        random.Random(args.seed).shuffle(s)
        # The line's text goes with each site, so that map can find it again in a changed tree.
        for site in s[:args.count]:
            line = (Path(args.src) / site['file']).read_text().split('\n')[site['line']]
            lines = (Path(args.src) / site['file']).read_text().split('\n')
            site['text'] = line.strip()
            site['indent'] = len(line) - len(line.lstrip())
            site['before'] = lines[site['line'] - 1].strip() if site['line'] > 0 else None
            site['after'] = lines[site['line'] + 1].strip() if site['line'] + 1 < len(lines) else None
        print(f'{len(s)} candidate sites', file=sys.stderr)
        json.dump(s[:args.count], sys.stdout, indent=0)
    elif args.cmd == 'map':
        json.dump(map_sites(args.src, json.load(open(args.sites))), sys.stdout, indent=0)
    elif args.cmd == 'run':
        run(args)


if __name__ == '__main__':
    main()
