#!/usr/bin/env python3
"""Generates the benchmark's folder trees, deterministically from a seed.

    gen.py tree DIR --files N --folders D [--seed S]
        A tree of N files in D folders (DIR itself is the first folder).
    gen.py change DIR [--seed S]
        Changes the tree in DIR as a day's work would: 1 % of the files
        rewritten with later times, 0.5 % added, 0.5 % removed, a few folders
        added (with files) and a few leaf folders removed (with their files).

Sizes are spread evenly on a logarithmic scale from 0 to 100 KiB (mean about
9 KiB; --max-size sets another bound), as in real trees where small files are many and large ones few.
Names never differ only in letter case within one folder, so a tool that
pairs names without regard to case and one that does not see the same pairs.
"""

import argparse
import math
import os
import random
import sys

MAX_SIZE = 100 * 1024
POOL_SIZE = 1 << 20
BASE_TIME = 1_600_000_000  # September 2020
EXTENSIONS = [".txt", ".c", ".h", ".jpg", ".dat", ".md", ".json", ".PNG", ""]
WORDS = ["report", "Draft", "notes", "image", "data", "main", "util", "Index",
         "backup", "photo", "scan", "log", "config", "test", "README", "module"]
MANIFEST = ".pairwell-bench-manifest"  # kept outside the tree, next to it


def random_size(rng):
    return int(math.exp(rng.uniform(0.0, math.log(MAX_SIZE + 1)))) - 1 if MAX_SIZE > 0 else 0


def random_time(rng, base=BASE_TIME, spread=100_000_000):
    return (base + rng.randrange(spread)) * 1_000_000_000 + rng.randrange(1_000_000_000)


def write_file(path, size, rng, pool, mtime_ns):
    offset = rng.randrange(POOL_SIZE - size) if size < POOL_SIZE else 0
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        view = memoryview(pool)[offset:offset + size]
        while view:
            written = os.write(fd, view)
            view = view[written:]
    finally:
        os.close(fd)
    os.utime(path, ns=(mtime_ns, mtime_ns))


class Names:
    """Unique names per folder, compared without regard to letter case."""

    def __init__(self):
        self.taken = {}

    def make(self, rng, folder, kind):
        taken = self.taken.setdefault(folder, set())
        while True:
            if kind == "dir":
                name = "%s_%d" % (rng.choice(WORDS), rng.randrange(100000))
            else:
                name = "%s-%d%s" % (rng.choice(WORDS), rng.randrange(10_000_000), rng.choice(EXTENSIONS))
                if rng.random() < 0.02:
                    name = "." + name  # a few hidden files
            if name.upper() not in taken:
                taken.add(name.upper())
                return name

    def note(self, folder, name):
        self.taken.setdefault(folder, set()).add(name.upper())


def manifest_path(root):
    root = os.path.abspath(root)
    return os.path.join(os.path.dirname(root), os.path.basename(root) + MANIFEST)


def save_manifest(root, folders, files):
    with open(manifest_path(root), "w", encoding="utf-8") as out:
        for folder in folders:
            out.write("D\t%s\n" % folder)
        for path in files:
            out.write("F\t%s\n" % path)


def load_manifest(root):
    folders, files = [], []
    with open(manifest_path(root), encoding="utf-8") as source:
        for line in source:
            kind, path = line.rstrip("\n").split("\t", 1)
            (folders if kind == "D" else files).append(path)
    return folders, files


def make_tree(root, file_count, folder_count, seed):
    rng = random.Random(seed)
    pool = rng.randbytes(POOL_SIZE)
    names = Names()
    os.makedirs(root, exist_ok=False)
    folders = [""]  # relative paths; "" is the root
    for index in range(1, folder_count):
        # A random recursive tree: about ln(D) levels deep on average.
        parent = folders[rng.randrange(index)]
        name = names.make(rng, parent, "dir")
        relative = os.path.join(parent, name) if parent else name
        os.mkdir(os.path.join(root, relative))
        folders.append(relative)
    files = []
    for index in range(file_count):
        folder = folders[rng.randrange(folder_count)]
        name = names.make(rng, folder, "file")
        relative = os.path.join(folder, name) if folder else name
        write_file(os.path.join(root, relative), random_size(rng), rng, pool, random_time(rng))
        files.append(relative)
    # Folder times last: writing files changes them.
    for relative in reversed(folders):
        mtime = random_time(rng)
        os.utime(os.path.join(root, relative) if relative else root, ns=(mtime, mtime))
    save_manifest(root, folders, files)


def change_tree(root, seed):
    rng = random.Random(seed + 1)
    pool = rng.randbytes(POOL_SIZE)
    folders, files = load_manifest(root)
    names = Names()
    for path in files:
        names.note(os.path.dirname(path), os.path.basename(path))
    for path in folders[1:]:
        names.note(os.path.dirname(path), os.path.basename(path))
    later = BASE_TIME + 200_000_000  # after every time the tree was made with

    count = len(files)
    chosen = rng.sample(range(count), count // 100 + count // 200)
    modified = chosen[:count // 100]
    removed = set(chosen[count // 100:])
    for index in modified:
        write_file(os.path.join(root, files[index]), random_size(rng), rng, pool, random_time(rng, later, 1_000_000))
    for index in sorted(removed):
        os.unlink(os.path.join(root, files[index]))
    kept = [path for i, path in enumerate(files) if i not in removed]

    added = []
    for _ in range(count // 200):
        folder = folders[rng.randrange(len(folders))]
        name = names.make(rng, folder, "file")
        relative = os.path.join(folder, name) if folder else name
        write_file(os.path.join(root, relative), random_size(rng), rng, pool, random_time(rng, later, 1_000_000))
        added.append(relative)

    # A few leaf folders removed with their files, a few new ones with files.
    has_children = {os.path.dirname(path) for path in folders[1:]}
    leaves = [path for path in folders[1:] if path not in has_children]
    gone = set(rng.sample(leaves, min(10, len(leaves))))
    for folder in sorted(gone):
        full = os.path.join(root, folder)
        for name in os.listdir(full):
            os.unlink(os.path.join(full, name))
        os.rmdir(full)
    kept = [path for path in kept + added if os.path.dirname(path) not in gone]
    folders = [path for path in folders if path not in gone]
    for _ in range(10):
        parent = folders[rng.randrange(len(folders))]
        name = names.make(rng, parent, "dir")
        relative = os.path.join(parent, name) if parent else name
        os.mkdir(os.path.join(root, relative))
        folders.append(relative)
        for _ in range(rng.randrange(1, 20)):
            file_name = names.make(rng, relative, "file")
            path = os.path.join(relative, file_name)
            write_file(os.path.join(root, path), random_size(rng), rng, pool, random_time(rng, later, 1_000_000))
            kept.append(path)
    save_manifest(root, folders, kept)
    print("changed: %d modified, %d added, %d removed, %d folders removed, 10 folders added"
          % (len(modified), len(added), len(removed), len(gone)))


def set_max_size(size):
    global MAX_SIZE
    MAX_SIZE = size


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("action", choices=["tree", "change"])
    parser.add_argument("root")
    parser.add_argument("--files", type=int, default=100_000)
    parser.add_argument("--folders", type=int, default=5_000)
    parser.add_argument("--seed", type=int, default=20240611)
    parser.add_argument("--max-size", type=int, default=MAX_SIZE, help="largest file in bytes (0: all empty)")
    args = parser.parse_args(argv)
    set_max_size(args.max_size)
    if args.action == "tree":
        make_tree(args.root, args.files, args.folders, args.seed)
    else:
        change_tree(args.root, args.seed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
