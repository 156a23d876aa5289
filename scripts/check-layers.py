#!/usr/bin/env python3
"""Checks that src/ includes follow the subsystem layers the build links.

Usage: check-layers.py --src SRC_DIR SUB=LOWER[,LOWER...] ...

Each SUB=... names a subsystem (a folder under SRC_DIR) and the subsystems it links to (CMake
passes the table pv_subsystem and pv_triage_layer build). A subsystem may be a nested folder
("triage/parse"): a file or an include belongs to the longest declared folder that holds it, and a
folder that only holds declared subsystems needs no entry of its own. Every quoted include in
src/<sub>/ must name its folder, "<sub>/...", and that folder must be the file's own subsystem or
one it links to. An include of a
subsystem that links back to the includer is reported as upward, any other as undeclared. Exit
status 0 when every include is allowed, 1 otherwise, 2 on a bad table.
"""
import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = ('.h', '.hpp', '.cpp', '.c', '.rc')


def parse_layers(entries):
    """{sub: set of lower subs} from SUB=A,B entries; raises ValueError on a malformed entry."""
    layers = {}
    for entry in entries:
        sub, sep, lower = entry.partition('=')
        if not sep or not sub:
            raise ValueError(f'not SUB=LOWER,...: {entry!r}')
        layers[sub] = {name for name in lower.split(',') if name}
    for sub, lower in layers.items():
        unknown = lower - layers.keys()
        if unknown:
            raise ValueError(f'{sub} links to unknown subsystems: {", ".join(sorted(unknown))}')
    return layers


def reachable(layers, sub):
    """Every subsystem `sub` reaches through its links, itself excluded unless on a cycle."""
    seen, todo = set(), list(layers[sub])
    while todo:
        name = todo.pop()
        if name not in seen:
            seen.add(name)
            todo.extend(layers[name])
    return seen


def cycles(layers):
    return sorted(sub for sub in layers if sub in reachable(layers, sub))


def check_include(layers, sub, target):
    """None when `sub` may include a header of folder `target`, else the reason it may not."""
    if target == sub or target in layers[sub]:
        return None
    if target not in layers:
        return f'"{target}/" is not a subsystem'
    if sub in reachable(layers, target):
        return f'upward include: {target} links to {sub}'
    return f'undeclared include: {sub} does not link to {target}'


def owner(layers, path):
    """The longest declared subsystem folder holding `path` ("a/b/File.h"), or None."""
    parts = path.split('/')[:-1]
    for n in range(len(parts), 0, -1):
        name = '/'.join(parts[:n])
        if name in layers:
            return name
    return None


def check_tree(src, layers):
    """(path, line number, message) for every include under `src` the layers do not allow."""
    problems = []
    for sub in sorted(os.listdir(src)):
        root = os.path.join(src, sub)
        if not os.path.isdir(root):
            continue
        if sub not in layers and not any(name.startswith(sub + '/') for name in layers):
            problems.append((root, 0, f'folder "{sub}" is not a declared subsystem'))
            continue
        for folder, dirs, files in os.walk(root):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, src).replace(os.sep, '/')
                mine = owner(layers, relative)
                if mine is None:
                    problems.append((path, 0, f'folder "{os.path.dirname(relative)}" is not '
                                     'a declared subsystem'))
                    continue
                with open(path, encoding='utf-8', errors='replace') as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        included = match.group(1)
                        if '/' not in included:
                            reason = f'"{included}" does not name its subsystem folder'
                        else:
                            target = owner(layers, included)
                            if target is None:
                                reason = f'"{included.split("/")[0]}/" is not a subsystem'
                            else:
                                reason = check_include(layers, mine, target)
                        if reason:
                            problems.append((path, number, reason))
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--src', required=True, help='the source folder, one subfolder per sub')
    parser.add_argument('layers', nargs='+', metavar='SUB=LOWER,...')
    args = parser.parse_args(argv)
    try:
        layers = parse_layers(args.layers)
    except ValueError as error:
        print(f'check-layers: {error}', file=sys.stderr)
        return 2
    looped = cycles(layers)
    if looped:
        print(f'check-layers: the links form a cycle through {", ".join(looped)}',
              file=sys.stderr)
        return 2
    problems = check_tree(args.src, layers)
    for path, number, reason in problems:
        print(f'{os.path.relpath(path)}:{number}: {reason}')
    if problems:
        print(f'check-layers: {len(problems)} include(s) against the layers', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
