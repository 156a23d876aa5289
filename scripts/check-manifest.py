#!/usr/bin/env python3
"""Checks the manifest embedded in the exe: it declares exactly the supported systems Windows
Vista, 7, 8, 8.1 and 10 (so each reports its true version to the tool), and it depends on Common
Controls 6.0 for the exe's own architecture (the themed button; a 64-bit exe asking for the x86
assembly does not start).

    check-manifest.py EXE        exit 0 when the manifest is right, 1 with the faults listed
"""

import os
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peinfo  # noqa: E402

ASM_V1 = '{urn:schemas-microsoft-com:asm.v1}'
COMPAT = '{urn:schemas-microsoft-com:compatibility.v1}'
SUPPORTED_OS = {
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}': 'Windows Vista',
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}': 'Windows 7',
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}': 'Windows 8',
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}': 'Windows 8.1',
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}': 'Windows 10',
}
COMMON_CONTROLS = {'type': 'win32', 'name': 'Microsoft.Windows.Common-Controls',
                   'version': '6.0.0.0', 'publicKeyToken': '6595b64144ccf1df'}
# The architectures a Common Controls dependency may name for each PE machine.
ARCHITECTURES = {peinfo.MACHINE_I386: ('x86',), peinfo.MACHINE_AMD64: ('amd64', '*')}


def manifest_faults(manifest_bytes, machine):
    """The faults of a manifest (bytes) for an exe of the PE `machine`; empty when right."""
    try:
        root = ET.fromstring(manifest_bytes)
    except ET.ParseError as e:
        return ['manifest is not well-formed XML: %s' % e]
    faults = []
    ids = [os_.get('Id', '').lower()
           for os_ in root.iter(COMPAT + 'supportedOS')]
    for guid, name in SUPPORTED_OS.items():
        if guid not in ids:
            faults.append('manifest does not declare %s %s' % (name, guid))
    for guid in ids:
        if guid not in SUPPORTED_OS:
            faults.append('manifest declares an unknown supported system %s' % guid)
    if len(ids) != len(set(ids)):
        faults.append('manifest declares a supported system twice')
    controls = [ident for dep in root.iter(ASM_V1 + 'dependentAssembly')
                for ident in dep.iter(ASM_V1 + 'assemblyIdentity')
                if ident.get('name') == COMMON_CONTROLS['name']]
    if len(controls) != 1:
        faults.append('manifest names %d Common Controls dependencies, not 1' % len(controls))
    for ident in controls:
        for attr, value in COMMON_CONTROLS.items():
            if (ident.get(attr) or '').lower() != value.lower():
                faults.append('Common Controls dependency has %s=%r, not %r'
                              % (attr, ident.get(attr), value))
        arch = ident.get('processorArchitecture')
        if arch not in ARCHITECTURES.get(machine, ()):
            faults.append('Common Controls dependency names architecture %r for PE machine %#x'
                          % (arch, machine))
    return faults


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    pe = peinfo.PeFile(argv[1])
    manifest = pe.manifest()
    faults = ['no manifest resource'] if manifest is None else manifest_faults(manifest, pe.machine)
    for fault in faults:
        print('%s: %s' % (argv[1], fault))
    if not faults:
        print('%s: manifest declares Vista to 10 and Common Controls 6.0 for its architecture'
              % argv[1])
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
