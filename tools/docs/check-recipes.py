#!/usr/bin/env python3
"""The recipes of docs/deployment.md that a parser here can read: each YAML block (the Ansible
tasks) loads as a list of tasks with a module and its command, and each XML block (the event
query) is well-formed with the source and ids the tool writes. The batch recipes run under Wine
(tools/e2e); PowerShell has no parser on Debian."""
import re
import sys
import xml.etree.ElementTree as ET

import yaml

text = open(sys.argv[1], encoding="utf-8").read()
blocks = re.findall(r"```(\w+)\n(.*?)```", text, re.S)
checked = 0
for kind, body in blocks:
    if kind == "yaml":
        tasks = yaml.safe_load(body)
        assert isinstance(tasks, list) and tasks, "the YAML block holds no list of tasks"
        for task in tasks:
            module = task.get("ansible.windows.win_command")
            assert module and "z4setup.com" in module, f"task {task.get('name')} runs no z4setup.com"
        checked += 1
    elif kind == "xml":
        query = ET.fromstring(body)
        select = query.find("./Query/Select")
        assert select is not None and "Provider[@Name='z4setup']" in select.text, "no z4setup query"
        ids = [int(i) for i in re.findall(r"EventID=(\d+)", select.text)]
        assert ids and all(100 <= i <= 131 for i in ids), f"ids outside the tool's: {ids}"
        checked += 1
assert checked >= 2, f"only {checked} recipes found to check"
print(f"check-recipes: {checked} recipes parse")
