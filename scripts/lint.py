#!/usr/bin/env python3
"""Usage: scripts/lint.py BUILD_DIR JOBS

Runs clang-tidy (.clang-tidy) over the program's own sources, from the build's compile database.

clang-tidy spends nine tenths of its time matching inside the Qt headers, once for every unit that
includes them; the sources are therefore read as a few large units, so that the Qt headers are gone
through a few times in all (145 s of CPU for one unit a library, 53 s for one unit a program). A
unit holds one program's main() and a share of the libraries, with the flags of all it holds; the
sources that include X11's headers come last, since X11's macros (None, Bool, Status) break any
Qt header read after them. A unit that reports anything is linted again one library at a time, and
a library that still does one source at a time, and that is what is shown: sources that were read
together cannot then clash or be blamed for each other. The database's precompiled header is left
out: it is GCC's, which clang cannot read, and without it each source must include what it uses.
"""
import concurrent.futures
import json
import os
import re
import shlex
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


def write_unit(path, sources, flags, directory):
    with open(path, "w", encoding="utf-8") as f:
        for source in sources:
            f.write(f'#include "{source}" // NOLINT(bugprone-suspicious-include)\n')
    return {"directory": directory, "file": path, "command": f"{flags} -o {path}.o -c {path}"}


def write_database(folder, entries):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(entries, f)


def merged_flags(all_flags):
    """The first flags, with every define and include folder that the others add."""
    def items(flags):
        tokens = shlex.split(flags)
        i = 1
        while i < len(tokens):
            if tokens[i] == "-isystem":
                yield tokens[i:i + 2]
                i += 2
            else:
                if tokens[i].startswith(("-D", "-I")):
                    yield tokens[i:i + 1]
                i += 1
    first = all_flags[0]
    known = {tuple(item) for item in items(first)}
    added = []
    for flags in all_flags[1:]:
        for item in items(flags):
            if tuple(item) not in known:
                known.add(tuple(item))
                added.append(item)
    return " ".join([first] + [shlex.join(item) for item in added])


def reads_x11(source):
    with open(source, encoding="utf-8") as f:
        return re.search(r"^#include <(X11|xcb)/", f.read(), re.M) is not None


def has_main(source):
    with open(source, encoding="utf-8") as f:
        return re.search(r"^int main\(", f.read(), re.M) is not None


def main():
    build, jobs = os.path.abspath(sys.argv[1]), int(sys.argv[2])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ours = re.compile(rf"^{re.escape(root)}/({FOLDERS})/.*\.cpp$")
    entries, seen = [], set()
    for e in json.load(open(os.path.join(build, "compile_commands.json"))):
        # A source built into two programs (the test-only second one) is linted once.
        if ours.match(e["file"]) and e["file"] not in seen:
            seen.add(e["file"])
            entries.append(dict(e, command=without_pch(e["command"])))

    config = os.path.join(root, ".clang-tidy")
    lint_dir = os.path.join(build, "lint")
    write_database(os.path.join(lint_dir, "sources"), entries)

    # One unit a library, as each is built.
    by_target = {}
    for e in entries:
        target = re.search(r"CMakeFiles/([^/]+)\.dir/", e["command"]).group(1)
        by_target.setdefault((target, e["command"].split(" -o ")[0]), []).append(e)
    libraries_dir = os.path.join(lint_dir, "libraries")
    os.makedirs(libraries_dir, exist_ok=True)
    libraries, library_db = {}, []
    for i, ((target, flags), members) in enumerate(by_target.items()):
        path = os.path.join(libraries_dir, f"{i:02d}_{target}.cpp")
        libraries[path] = (flags, [m["file"] for m in members])
        library_db.append(write_unit(path, libraries[path][1], flags, members[0]["directory"]))
    write_database(libraries_dir, library_db)

    # One unit a program: each holds one main() and, largest first, libraries to even them out.
    seeds = [p for p, (_, sources) in libraries.items() if any(map(has_main, sources))]
    groups = [[seed] for seed in seeds]
    for path in sorted(set(libraries) - set(seeds), key=lambda p: -len(libraries[p][1])):
        min(groups, key=lambda g: sum(len(libraries[p][1]) for p in g)).append(path)
    programs_dir = os.path.join(lint_dir, "programs")
    os.makedirs(programs_dir, exist_ok=True)
    units, program_db = {}, []
    for i, members in enumerate(groups):
        members.sort(key=lambda p: any(map(reads_x11, libraries[p][1])))
        path = os.path.join(programs_dir, f"unit_{i}.cpp")
        units[path] = members
        program_db.append(write_unit(path, [s for p in members for s in libraries[p][1]],
                                     merged_flags([libraries[p][0] for p in members]),
                                     library_db[0]["directory"]))
    write_database(programs_dir, program_db)

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        def run(paths, database):
            return list(zip(paths, pool.map(lambda p: tidy(p, database, config), paths)))

        again = [lib for path, (bad, _) in run(list(units), programs_dir) if bad
                 for lib in units[path]]
        singles = [s for path, (bad, _) in run(again, libraries_dir) if bad
                   for s in libraries[path][1]]
        failed = False
        for path, (bad, output) in run(singles, os.path.join(lint_dir, "sources")):
            if bad:
                failed = True
                print(f"== {os.path.relpath(path, root)}")
                print(output)
    print(f"{len(entries)} sources in {len(units)} units; {len(again)} libraries and "
          f"{len(singles)} sources linted again")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
