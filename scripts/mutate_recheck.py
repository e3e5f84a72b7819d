#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Kudora developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Re-run the baseline mutants that the given test executables killed, against the tests in --src.

usage: mutate_recheck.py --src . --build build/mut --baseline LOG --area catalogue_tests [--area ...]
                  [--out FILE] [--all]
--all also re-runs the baseline's survivors (to see whether new tests kill more).
Prints one line per mutant and a summary: kept / lost (lost = killed before by these executables,
survives now). The build dir is configured if missing. src/ in --src must be unchanged.
"""
import argparse, json, os, re, subprocess, sys, time
from pathlib import Path

sys.path.insert(0, os.path.dirname(__file__))
from mutate import apply  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--src', required=True)
    ap.add_argument('--build', required=True)
    ap.add_argument('--area', action='append', required=True)
    ap.add_argument('--baseline', required=True)
    ap.add_argument('--out')
    ap.add_argument('--all', action='store_true')
    ap.add_argument('--suite', action='store_true',
                    help='a mutant counts as kept when any test executable of the suite kills it')
    args = ap.parse_args()
    areas = set(args.area)
    base = [json.loads(l) for l in open(args.baseline)]
    todo = [b for b in base if b['status'] == 'killed' and areas & set(b['failed'])]
    if args.all:
        todo += [b for b in base if b['status'] == 'survived']
    env = dict(os.environ, QT_QPA_PLATFORM='offscreen')
    if not Path(args.build, 'CMakeCache.txt').exists():
        subprocess.run(['cmake', '--preset', 'dev', '-B', args.build], cwd=args.src, check=True,
                       capture_output=True)
    # lld relinks the Debug test programs several times faster than the default linker
    subprocess.run(['cmake', '-B', args.build, '-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld'], cwd=args.src,
                   check=True, capture_output=True)
    targets = sorted(areas)
    if args.suite:
        targets = ['all']
    subprocess.run(['cmake', '--build', args.build, '--target', *targets], check=True,
                   capture_output=True, env=env)
    regex = '.' if args.suite else '^(' + '|'.join(targets) + ')$'
    out = open(args.out, 'w') if args.out else None
    kept = lost = newly = 0
    lost_list = []
    for b in todo:
        site = dict(b, col=None)
        # recover the column from the original line for operator sites
        p = Path(args.src) / b['file']
        line = p.read_text().split('\n')[b['line']]
        if b['op'] in ('cmp', 'lit'):
            site['col'] = b['col']
        elif b['op'] == 'ret':
            site['col'] = b['col']
        p, mutated = apply(args.src, site)
        original = p.read_text()
        p.write_text(mutated)
        t0 = time.time()
        try:
            r = subprocess.run(['cmake', '--build', args.build, '--target', *targets],
                               capture_output=True, text=True, env=env)
            if r.returncode != 0:
                status = 'nocompile'
            else:
                t = subprocess.run(['ctest', '--test-dir', args.build, '-R', regex, '-j2',
                                    '--timeout', '120'], capture_output=True, text=True, env=env)
                status = 'killed' if t.returncode else 'survived'
        finally:
            p.write_text(original)
            os.utime(p)
        was = b['status'] == 'killed'
        if was and status == 'killed':
            kept += 1
        elif was:
            lost += 1
            lost_list.append(b)
        elif status == 'killed':
            newly += 1
        msg = f"{b['i']:4d} {'KEPT' if was and status == 'killed' else 'LOST' if was else 'NEW' if status == 'killed' else 'still-survives'} {b['file']}:{b['line'] + 1} {b['op']} {b['old'].strip()!r} -> {b['new']!r} ({time.time() - t0:.0f}s)"
        print(msg, flush=True)
        if out:
            out.write(msg + '\n')
            out.flush()
    subprocess.run(['cmake', '--build', args.build, '--target', *targets], capture_output=True)
    print(f'SUMMARY areas={targets} baseline-killed={kept + lost} kept={kept} lost={lost} newly-killed={newly}')
    for b in lost_list:
        print('LOST', json.dumps(b))


if __name__ == '__main__':
    main()
