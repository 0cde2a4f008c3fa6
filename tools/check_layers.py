#!/usr/bin/env python3
"""Checks the source tree against its layers.

  check_layers.py SRC_DIR LAYER...

Each LAYER is "folder:dep dep ..." as src/CMakeLists.txt declares it. Fails
(exit 1, one line per finding) when
- a source file includes a header of a folder that is not its own and not
  below it,
- a folder of SRC_DIR is missing from the layers,
- a handle or memory is released outside base/'s holders,
- a message box is shown other than through showMessageBox,
- the registry is called other than through Registry (src/registry/),
- the modules of base/ (a header and its source) include each other in a circle.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
# Releases that only the holders may make.
RELEASE = re.compile(
    r'\b(CloseHandle|RegCloseKey|DeleteObject|DeleteDC|ReleaseDC|FreeLibrary|LocalFree|CoTaskMemFree|CoUninitialize|'
    r'OleUninitialize|SysFreeString|VariantClear)\s*\(|(->|\.)\s*Release\s*\(\s*\)')
# Message boxes go through showMessageBox, which a silent run turns into log lines.
MESSAGE_BOX = re.compile(r'\bMessageBox(A|W|ExA|ExW|IndirectA|IndirectW)?\s*\(')
MESSAGE_BOX_HOME = 'base/report.cpp'
# The registry is reached through Registry alone.
REGISTRY_CALL = re.compile(r'\bReg(Open|Create|Query|Set|Get|Delete|Enum|Load|Save|Copy|Rename|Flush|Notify)\w*\s*\(')
REGISTRY_HOME = ('registry/', 'base/win_handles.cpp')
HOLDERS = {'base/win_handles.h', 'base/win_handles.cpp', 'base/memory_holders.h', 'base/com_holders.h', 'base/dll.cpp'}
# The page's script object forwards its references to the COM object that owns it.
HOLDERS |= {'html_ui/browser_control.h'}
SOURCE_SUFFIXES = ('.h', '.hpp', '.cpp', '.c', '.rc')


def strip_comments(text):
    # Line breaks stay, so that line numbers stay true.
    text = re.sub(r'/\*.*?\*/', lambda m: '\n' * m.group(0).count('\n'), text, flags=re.S)
    return re.sub(r'//[^\n]*', '', text)


def strip_strings(text):
    text = re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)
    return re.sub(r"'(?:\\.|[^'\\\n])'", "''", text)


def closure(graph, folder, seen=None):
    seen = set() if seen is None else seen
    for dep in graph.get(folder, ()):
        if dep not in seen:
            seen.add(dep)
            closure(graph, dep, seen)
    return seen


def find_circle(edges):
    """A circle in the graph as a list of nodes, or None."""
    state = {}

    def visit(node, path):
        state[node] = 'open'
        path.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == 'open':
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, path)
                if found:
                    return found
        path.pop()
        state[node] = 'done'
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def main(argv):
    src = argv[1]
    graph = {}
    for layer in argv[2:]:
        folder, _, deps = layer.partition(':')
        graph[folder] = deps.split()
    problems = []

    circle = find_circle(graph)
    if circle:
        problems.append('the layers form a circle: ' + ' -> '.join(circle))

    files = []
    for root, _, names in os.walk(src):
        for name in names:
            if name.endswith(SOURCE_SUFFIXES):
                path = os.path.join(root, name)
                files.append(os.path.relpath(path, src).replace(os.sep, '/'))
    files.sort()

    base_edges = {}
    for rel in files:
        folder = rel.split('/')[0]
        if '/' not in rel:
            continue
        if folder not in graph:
            problems.append(f'{rel}: folder "{folder}" has no place in the layers (src/CMakeLists.txt)')
            continue
        with open(os.path.join(src, rel), encoding='utf-8', errors='replace') as f:
            raw = f.read()
        text = strip_comments(raw)
        allowed = closure(graph, folder) | {folder}
        for header in INCLUDE.findall(text):
            target = header.split('/')[0]
            if '/' in header and target in graph and target not in allowed:
                problems.append(f'{rel}: includes {header}, but {target} is not below {folder}')
            if folder == 'base' and header.startswith('base/'):
                stem = os.path.splitext(os.path.basename(rel))[0]
                other = os.path.splitext(os.path.basename(header))[0]
                if other != stem:
                    base_edges.setdefault(stem, set()).add(other)
        code = strip_comments(strip_strings(raw))
        if not rel.startswith(REGISTRY_HOME):
            for match in REGISTRY_CALL.finditer(code):
                line = code.count('\n', 0, match.start()) + 1
                problems.append(f'{rel}:{line}: {match.group(0).strip()} outside Registry')
        if rel != MESSAGE_BOX_HOME:
            for match in MESSAGE_BOX.finditer(code):
                line = code.count('\n', 0, match.start()) + 1
                problems.append(f'{rel}:{line}: {match.group(0).strip()} outside showMessageBox, which keeps silent runs silent')
        if rel not in HOLDERS:
            for match in RELEASE.finditer(code):
                line = code.count('\n', 0, match.start()) + 1
                problems.append(f'{rel}:{line}: releases with {match.group(0).strip()} outside base\'s holders')

    circle = find_circle(base_edges)
    if circle:
        problems.append('base/ includes in a circle: ' + ' -> '.join(circle))

    for problem in problems:
        print(problem)
    print(f'{len(files)} files checked, {len(problems)} problems')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
