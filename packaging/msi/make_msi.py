#!/usr/bin/env python3
"""Makes a Windows Installer package of Ravelin with wixl from a `cmake --install` staging tree.

    make_msi.py --stage DIR --arch x64|x86 --output FILE.msi [--version X.Y.Z] [--wxs FILE]

Every file of the staging tree is installed, per machine, under Program Files\\Ravelin (the
32-bit Program Files for x86) keeping its place in the tree; nothing is listed by hand. The
version is the staged CMake package's unless --version gives another (the upgrade test builds an
older package that way).

The COM server ravelin_vod.dll is registered through the installer's Registry table, in the
registry view of the package's architecture: the same keys DllRegisterServer writes for the
machine (docs/com.md), its identifiers read from the staged headers, so that the package and
the server cannot disagree. Windows Installer removes exactly those values and keys again on
uninstall; no custom action runs the DLL's own registration.
"""

import argparse
import hashlib
import os
import re
import subprocess
import sys
import uuid
from xml.sax.saxutils import quoteattr

# Stable identities: a component's GUID depends on its architecture and its path in the tree
# only, so that every version of the package refers to a file by the same component, as Windows
# Installer's reference counting across upgrades requires.
NAMESPACE = uuid.UUID("5b8f8f1e-3f0c-4b8e-9a55-6d1f2f0c7a10")
UPGRADE_CODES = {
    # Fixed for the life of the product: a newer package finds and replaces an older one of its
    # architecture by these. The two architectures install side by side.
    "x64": "{B4B7F5A1-6C2E-4D1B-9E0C-3A8E21D9C4F7}",
    "x86": "{1E6D0C52-8F3B-4A7E-B5D2-94C07A6E2B18}",
}
# The universal marshaller's proxy (oleaut32's PSOAInterface) and the dispinterface proxy
# (PSDispatch), which the type library registration names for dual and dispatch interfaces.
PS_OA_INTERFACE = "{00020424-0000-0000-C000-000000000046}"
PS_DISPATCH = "{00020420-0000-0000-C000-000000000046}"


def fail(message):
    sys.exit(f"make_msi: {message}")


def guid(*parts):
    return "{" + str(uuid.uuid5(NAMESPACE, "/".join(parts))).upper() + "}"


def identifier(prefix, text):
    """A Windows Installer identifier (letters, digits, '_' and '.', at most 72 characters)."""
    readable = prefix + re.sub(r"[^A-Za-z0-9_.]", "_", text)
    if len(readable) <= 72:
        return readable
    return prefix + hashlib.sha1(text.encode()).hexdigest()


def read_version(stage):
    path = os.path.join(stage, "lib", "cmake", "Ravelin", "RavelinConfigVersion.cmake")
    try:
        with open(path, encoding="utf-8") as f:
            match = re.search(r'set\(PACKAGE_VERSION "([0-9.]+)"\)', f.read())
    except OSError as e:
        fail(f"{path}: {e.strerror}")
    if not match:
        fail(f"{path} names no PACKAGE_VERSION")
    return match.group(1)


def read_constants(path, names):
    """String and integer constants of a staged header (`inline constexpr ... kName = ...;`)."""
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        fail(f"{path}: {e.strerror}")
    values = {}
    for name in names:
        match = re.search(r"\b" + name + r'\s*=\s*(?:"([^"]*)"|([0-9]+))\s*;', text)
        if not match:
            fail(f"{path} does not define {name}")
        values[name] = match.group(1) if match.group(1) is not None else match.group(2)
    return values


def com_registry(stage, vod_file_id, bin_dir_id):
    """The (key, name, value) triples of the server's machine registration; name None is the
    key's default value."""
    ids = read_constants(
        os.path.join(stage, "include", "ravelin", "vod", "RavelinIds.h"),
        ["kLibidRavelin", "kRavelinMajorVersion", "kRavelinMinorVersion", "kClsidBase",
         "kProgIdBase", "kThreadingModelBase", "kIidBase", "kDiidBaseEvents"])
    link = read_constants(
        os.path.join(stage, "include", "ravelin", "platform", "dao", "BaseLink.h"),
        ["kBaseLinkClsid", "kBaseLinkProgId", "kBaseLinkIid"])
    ids["kBaseLinkIid"] = link["kBaseLinkIid"]
    server = f"[#{vod_file_id}]"
    libid = ids["kLibidRavelin"]
    version = f'{ids["kRavelinMajorVersion"]}.{ids["kRavelinMinorVersion"]}'
    entries = []
    # Both classes are described by the type library. The class names its versioned ProgID
    # ("<ProgID>.1") and the version-independent one; the version-independent ProgID names the
    # versioned one as CurVer, as DllRegisterServer writes them.
    for clsid, name, progid in (
            (ids["kClsidBase"], "Base", ids["kProgIdBase"]),
            (link["kBaseLinkClsid"], "BaseLink", link["kBaseLinkProgId"])):
        versioned = progid + ".1"
        key = f"CLSID\\{clsid}"
        entries += [(key, None, name),
                    (key + "\\InprocServer32", None, server),
                    (key + "\\InprocServer32", "ThreadingModel", ids["kThreadingModelBase"]),
                    (key + "\\ProgID", None, versioned),
                    (key + "\\VersionIndependentProgID", None, progid),
                    (key + "\\TypeLib", None, libid),
                    (key + "\\Version", None, version),
                    (key + "\\Programmable", None, "")]
        entries += [(progid, None, name), (progid + "\\CLSID", None, clsid),
                    (progid + "\\CurVer", None, versioned),
                    (versioned, None, name), (versioned + "\\CLSID", None, clsid)]
    return entries, ids, libid, version, server


def typelib_registry(arch, ids, libid, version, server, bin_dir_id):
    """What registering the embedded type library for the machine writes: the library's key
    and the automation interfaces it describes (the dual _Base and _BaseLink, and the
    dispinterface __Base).
    Returns the entries of the package's own registry view and the interface entries that a
    64-bit registration also makes in the 32-bit view, so that 32-bit processes can marshal
    the interfaces too (none for x86)."""
    syskind = "win64" if arch == "x64" else "win32"
    key = f"TypeLib\\{libid}\\{version}"
    entries = [(key, None, "Ravelin"),
               (key + f"\\0\\{syskind}", None, server),
               (key + "\\FLAGS", None, "0"),
               (key + "\\HELPDIR", None, f"[{bin_dir_id}]")]
    interfaces = []
    for iid, name, proxy in ((ids["kIidBase"], "_Base", PS_OA_INTERFACE),
                             (ids["kDiidBaseEvents"], "__Base", PS_DISPATCH),
                             (ids["kBaseLinkIid"], "_BaseLink", PS_OA_INTERFACE)):
        ikey = f"Interface\\{iid}"
        interfaces += [(ikey, None, name),
                       (ikey + "\\ProxyStubClsid", None, proxy),
                       (ikey + "\\ProxyStubClsid32", None, proxy),
                       (ikey + "\\TypeLib", None, libid),
                       (ikey + "\\TypeLib", "Version", version)]
    return entries + interfaces, interfaces if arch == "x64" else []


class Tree:
    def __init__(self, name, directory_id):
        self.name = name
        self.id = directory_id
        self.children = {}
        self.files = []


def build_tree(stage):
    root = Tree("Ravelin", "INSTALLDIR")
    for folder, dirs, files in os.walk(stage):
        dirs.sort()
        rel = os.path.relpath(folder, stage)
        node = root
        if rel != ".":
            for part in rel.split(os.sep):
                if part not in node.children:
                    path = os.path.relpath(os.path.join(folder), stage).replace(os.sep, "/")
                    node.children[part] = Tree(part, identifier("d_", path))
                node = node.children[part]
        for name in sorted(files):
            full = os.path.join(folder, name)
            if os.path.islink(full) or not os.path.isfile(full):
                fail(f"{full}: only regular files can be packaged")
            node.files.append((name, full, os.path.relpath(full, stage).replace(os.sep, "/")))
    return root


def registry_xml(entries, indent, key_path=False):
    lines = []
    for key, name, value in entries:
        name_attr = f" Name={quoteattr(name)}" if name is not None else ""
        full_key = quoteattr("Software\\Classes\\" + key)
        key_path_attr = ' KeyPath="yes"' if key_path and not lines else ""
        lines.append(f'{indent}<RegistryValue Root="HKLM" Key={full_key}{name_attr} '
                     f'Type="string" Value={quoteattr(value)}{key_path_attr} />')
    return lines


def write_wxs(args, version, stage):
    arch = args.arch
    win64 = "yes" if arch == "x64" else "no"
    tree = build_tree(stage)
    vod = os.path.join(stage, "bin", "ravelin_vod.dll")
    if not os.path.isfile(vod):
        fail(f"{vod} is missing: the staging tree is not a Windows installation")
    vod_id = identifier("f_", "bin/ravelin_vod.dll")
    bin_id = tree.children["bin"].id
    entries, ids, libid, tlb_version, server = com_registry(stage, vod_id, bin_id)
    typelib_entries, interfaces32 = typelib_registry(arch, ids, libid, tlb_version, server, bin_id)
    entries += typelib_entries

    components = []
    out = []

    def emit(node, indent, path):
        # Windows Installer removes on its own only the folders that hold files; each folder
        # is a component of its own, so that the ones above them (include\ravelin, share\doc)
        # go too.
        folder_component = identifier("k_", path or "INSTALLDIR")
        components.append(folder_component)
        out.append(f'{indent}<Component Id="{folder_component}" '
                   f'Guid="{guid(arch, "folder", path)}" Win64="{win64}">')
        out.append(f"{indent}  <CreateFolder />")
        out.append(f'{indent}  <RemoveFolder Id="{identifier("r_", path or "INSTALLDIR")}" '
                   f'On="uninstall" />')
        out.append(f"{indent}</Component>")
        for name, full, rel in node.files:
            file_id = identifier("f_", rel)
            component_id = identifier("c_", rel)
            components.append(component_id)
            out.append(f'{indent}<Component Id="{component_id}" Guid="{guid(arch, rel)}" '
                       f'Win64="{win64}">')
            # wixl takes sources relative to the descriptor's folder only.
            source = os.path.relpath(full, os.path.dirname(os.path.abspath(args.wxs)))
            out.append(f'{indent}  <File Id="{file_id}" Name={quoteattr(name)} '
                       f'Source={quoteattr(source)} KeyPath="yes" />')
            if rel == "bin/ravelin_vod.dll":
                out.extend(registry_xml(entries, indent + "  "))
            out.append(f"{indent}</Component>")
            if rel == "bin/ravelin_vod.dll" and interfaces32:
                # A component's registry goes to its own view: the 32-bit view's entries need
                # a 32-bit component, installed and removed with the server's.
                component_id = "c_com_interfaces_32"
                components.append(component_id)
                out.append(f'{indent}<Component Id="{component_id}" '
                           f'Guid="{guid(arch, "com-interfaces-32")}" Win64="no">')
                out.extend(registry_xml(interfaces32, indent + "  ", key_path=True))
                out.append(f"{indent}</Component>")
        for child in sorted(node.children.values(), key=lambda c: c.name):
            out.append(f'{indent}<Directory Id="{child.id}" Name={quoteattr(child.name)}>')
            emit(child, indent + "  ", f"{path}/{child.name}" if path else child.name)
            out.append(f"{indent}</Directory>")

    emit(tree, " " * 10, "")
    program_files = "ProgramFiles64Folder" if arch == "x64" else "ProgramFilesFolder"
    bits = "64-bit" if arch == "x64" else "32-bit"
    refs = "\n".join(f'      <ComponentRef Id="{c}" />' for c in components)
    body = "\n".join(out)
    text = f"""<?xml version="1.0" encoding="utf-8"?>
<!-- Generated by packaging/msi/make_msi.py from {stage}; do not edit. -->
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Ravelin {version} ({bits})" Language="1033" Version="{version}"
           Manufacturer="Ravelin" UpgradeCode="{UPGRADE_CODES[arch]}">
    <Package Description="Ravelin libraries, COM server and tool ({bits})"
             Manufacturer="Ravelin" InstallerVersion="500" Compressed="yes"
             InstallScope="perMachine" />
    <MajorUpgrade DowngradeErrorMessage="A newer version of Ravelin is already installed." />
    <Media Id="1" Cabinet="ravelin.cab" EmbedCab="yes" />
    <Property Id="ARPNOMODIFY" Value="1" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="{program_files}">
        <Directory Id="INSTALLDIR" Name="Ravelin">
{body}
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1">
{refs}
    </Feature>
  </Product>
</Wix>
"""
    with open(args.wxs, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--stage", required=True)
    parser.add_argument("--arch", required=True, choices=["x64", "x86"])
    parser.add_argument("--output", required=True)
    parser.add_argument("--version")
    parser.add_argument("--wxs", help="where the generated descriptor goes (default: beside the output)")
    args = parser.parse_args()
    stage = os.path.abspath(args.stage)
    if not os.path.isdir(stage):
        fail(f"{stage} is not a folder")
    version = args.version or read_version(stage)
    if not re.fullmatch(r"[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,5}", version):
        fail(f"{version} is not a Windows Installer product version (major.minor.build)")
    args.wxs = args.wxs or os.path.splitext(args.output)[0] + ".wxs"
    write_wxs(args, version, stage)
    result = subprocess.run(["wixl", "-a", args.arch, "-o", os.path.abspath(args.output),
                             os.path.basename(args.wxs)],
                            cwd=os.path.dirname(os.path.abspath(args.wxs)))
    if result.returncode != 0:
        fail(f"wixl failed ({result.returncode}) on {args.wxs}")


if __name__ == "__main__":
    main()
