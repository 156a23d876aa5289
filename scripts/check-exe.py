#!/usr/bin/env python3
"""Static checks of the built exe: its machine is the build's, it is a GUI program, it imports
only known system libraries and only functions Windows Vista SP2 has (scripts/vista_imports.py),
and it embeds a manifest that names its own architecture and asks for administrator rights.

Usage: check-exe.py --machine i686|x86_64 EXE. Exit 0 when every check holds, 1 otherwise."""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peinfo  # noqa: E402
import vista_imports  # noqa: E402

MANIFEST_ARCH = {'i686': 'x86', 'x86_64': 'amd64'}


def problems(path, machine):
    pe = peinfo.PeFile(path)
    found = []
    actual = peinfo.MACHINE_NAMES.get(pe.machine, '%#x' % pe.machine)
    if actual != machine:
        found.append('machine is %s, not %s' % (actual, machine))
    if pe.subsystem != peinfo.SUBSYSTEM_GUI:
        found.append('subsystem is %d, not GUI (2)' % pe.subsystem)
    extra = sorted(set(pe.imports()) - peinfo.KNOWN_IMPORTS)
    if extra:
        found.append('imports libraries outside the system\'s known ones: ' + ', '.join(extra))
    found.extend(vista_imports.problems(pe.imported_functions()))
    manifest = pe.manifest()
    if manifest is None:
        found.append('no manifest resource')
    else:
        text = manifest.decode('utf-8', errors='replace')
        arches = set(re.findall(r'processorArchitecture="([^"]*)"', text))
        if arches != {MANIFEST_ARCH.get(machine, '?')}:
            found.append('manifest names architectures %s, not %s'
                         % (sorted(arches), MANIFEST_ARCH.get(machine)))
        if 'level="requireAdministrator"' not in text:
            found.append('manifest does not ask for administrator rights')
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--machine', required=True, choices=sorted(MANIFEST_ARCH))
    parser.add_argument('exe')
    args = parser.parse_args()
    found = problems(args.exe, args.machine)
    for p in found:
        print('%s: %s' % (args.exe, p))
    if not found:
        print('%s: %s GUI exe, system imports only, all present on Windows Vista SP2, manifest '
              'for %s' % (args.exe, args.machine, MANIFEST_ARCH[args.machine]))
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
