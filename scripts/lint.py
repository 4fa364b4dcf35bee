#!/usr/bin/env python3
"""Usage: scripts/lint.py BUILD_DIR JOBS

Runs clang-tidy (.clang-tidy) over the program's own sources, from the build's compile database.

clang-tidy spends nine tenths of its time matching inside the Qt headers, once for every source
that includes them; the sources of one library are therefore read as one translation unit, so that
the Qt headers are gone through once a library (89 s for the window's nine sources one by one,
11 s together). A library whose sources report anything is linted again one source at a time, and
that is what is shown: sources that were read together cannot then clash or be blamed for each
other. The database's precompiled header is left out: it is GCC's, which clang cannot read, and
without it each source must include what it uses.
"""
import concurrent.futures
import json
import os
import re
import subprocess
import sys

FOLDERS = "common|channels|guide|mainwindow|picture|platform|resources|skinctl|tools"
# The headers .clang-tidy names, and now the sources themselves, read as parts of a larger unit.
HEADER_FILTER = (r"/(common|channels|mainwindow|picture|platform|resources|skinctl|tools)/[^/]*\.h$"
                 rf"|/({FOLDERS})/.*\.cpp$")
FINDING = re.compile(r"(warning|error):")


def without_pch(command):
    return re.sub(r" -Winvalid-pch| -include \S*cmake_pch\.hxx", "", command)


def tidy(path, database, config):
    result = subprocess.run(["clang-tidy", f"--config-file={config}", "-p", database, "--quiet",
                             "-header-filter", HEADER_FILTER, path],
                            capture_output=True, text=True, check=False)
    output = result.stdout + result.stderr
    failed = result.returncode != 0 or any(FINDING.search(line) for line in output.splitlines())
    return failed, output


def main():
    build, jobs = os.path.abspath(sys.argv[1]), int(sys.argv[2])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ours = re.compile(rf"^{re.escape(root)}/({FOLDERS})/.*\.cpp$")
    entries = [e for e in json.load(open(os.path.join(build, "compile_commands.json")))
               if ours.match(e["file"])]

    config = os.path.join(root, ".clang-tidy")
    lint_dir = os.path.join(build, "lint")
    units_dir = os.path.join(lint_dir, "units")
    os.makedirs(units_dir, exist_ok=True)
    singles, units = [], {}
    for e in entries:
        command = without_pch(e["command"])
        singles.append(dict(e, command=command))
        target = re.search(r"CMakeFiles/([^/]+)\.dir/", command).group(1)
        flags = command.split(" -o ")[0]
        units.setdefault((target, flags), []).append(e)
    unit_db = []
    unit_sources = {}
    for (target, flags), members in units.items():
        path = os.path.join(units_dir, f"{target}.cpp")
        if path in unit_sources:
            path = os.path.join(units_dir, f"{target}_{len(unit_sources)}.cpp")
        with open(path, "w", encoding="utf-8") as f:
            for m in members:
                f.write(f'#include "{m["file"]}" // NOLINT(bugprone-suspicious-include)\n')
        unit_db.append({"directory": members[0]["directory"], "file": path,
                        "command": f"{flags} -o {path}.o -c {path}"})
        unit_sources[path] = [m["file"] for m in members]
    with open(os.path.join(lint_dir, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(unit_db, f)
    singles_dir = os.path.join(lint_dir, "sources")
    os.makedirs(singles_dir, exist_ok=True)
    with open(os.path.join(singles_dir, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(singles, f)

    # The largest units first, so that the last one to finish is a small one.
    order = sorted(unit_sources, key=lambda p: -len(unit_sources[p]))
    failed = False
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        results = dict(zip(order, pool.map(lambda p: tidy(p, lint_dir, config), order)))
        again = [s for p in order if results[p][0] for s in unit_sources[p]]
        for path, (bad, output) in zip(again, pool.map(lambda s: tidy(s, singles_dir, config), again)):
            if bad:
                failed = True
                print(f"== {os.path.relpath(path, root)}")
                print(output)
    print(f"{len(entries)} sources in {len(order)} units; {len(again)} linted again one by one")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
