#!/usr/bin/env python3
"""Checks that the folders of app/ form layers: counting the includes between top-level
folders of app/ (tests and test helpers left out), no two folders reach each other,
directly or round a circle. Prints the circle it finds and exits 1; exits 0 when none."""
import os
import re
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app")
include = re.compile(r'^\s*#\s*include\s+"app/([^/"]+)/')
skip_parts = {"tests", "testing"}
edges = {}
for folder in sorted(os.listdir(root)):
    base = os.path.join(root, folder)
    if not os.path.isdir(base) or folder in ("e2e", "tools"):
        continue
    edges.setdefault(folder, set())
    for dirpath, dirnames, filenames in os.walk(base):
        dirnames[:] = [d for d in dirnames if d not in skip_parts]
        for name in filenames:
            if not name.endswith((".h", ".cpp")):
                continue
            with open(os.path.join(dirpath, name), encoding="utf-8", errors="replace") as f:
                for line in f:
                    m = include.match(line)
                    if m and m.group(1) != folder and m.group(1) not in skip_parts:
                        edges[folder].add(m.group(1))

state = {}
stack = []


def visit(node):
    state[node] = 1
    stack.append(node)
    for nxt in sorted(edges.get(node, ())):
        if state.get(nxt) == 1:
            print("circle among app/ folders: " + " -> ".join(stack[stack.index(nxt):] + [nxt]))
            sys.exit(1)
        if nxt not in state:
            visit(nxt)
    stack.pop()
    state[node] = 2


for folder in sorted(edges):
    if folder not in state:
        visit(folder)
print("app/ folders form layers: " + ", ".join(f"{k} -> {sorted(v)}" for k, v in sorted(edges.items())))
