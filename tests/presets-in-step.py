#!/usr/bin/env python3
"""Fails when the Windows workflow's preset (windows-msvc) drifts from the Linux CI preset, or the
workflow from what the build needs: the same build type, warnings as errors and deprecation
cut-off; build and test presets of its own; a pinned Qt patch release with every module the
program's CMake asks for.

    tests/presets-in-step.py SOURCE_DIR
"""
import json
import re
import sys
from pathlib import Path

source = Path(sys.argv[1])
presets = json.loads((source / "CMakePresets.json").read_text(encoding="utf-8"))
configure = {p["name"]: p for p in presets["configurePresets"]}
wrong = []

ci = configure["ci"]["cacheVariables"]
msvc = configure.get("windows-msvc", {}).get("cacheVariables")
if msvc is None:
    sys.exit("no windows-msvc configure preset")
for key in ("CMAKE_BUILD_TYPE", "KELVORA_WARNINGS_AS_ERRORS"):
    if msvc.get(key) != ci.get(key):
        wrong.append(f"{key}: windows-msvc has {msvc.get(key)!r}, ci {ci.get(key)!r}")
for define in re.findall(r"-D(QT_\w+=\w+)", ci.get("CMAKE_CXX_FLAGS", "")):
    if define not in msvc.get("CMAKE_CXX_FLAGS", ""):
        wrong.append(f"windows-msvc lacks {define}")
for kind in ("buildPresets", "testPresets"):
    if "windows-msvc" not in {p["name"] for p in presets[kind]}:
        wrong.append(f"no windows-msvc in {kind}")

workflow = (source / ".github/workflows/windows.yml").read_text(encoding="utf-8")
if "--preset windows-msvc" not in workflow:
    wrong.append("the workflow does not build with the windows-msvc preset")
if not re.search(r"QT_VERSION: 6\.\d+\.\d+\b", workflow):
    wrong.append("the workflow's Qt is not a pinned patch release")
modules = re.search(r"modules: (.*)", workflow)
needed = {"qtwebengine", "qtwebchannel", "qtpositioning", "qthttpserver", "qtwebsockets"}
missing = needed - set(modules.group(1).split() if modules else [])
if missing:
    wrong.append(f"the workflow's Qt lacks {sorted(missing)}")

for line in wrong:
    print(line)
if wrong:
    sys.exit(1)
print("the windows-msvc preset and the workflow are in step with the Linux build")
