#!/usr/bin/python3
"""Puts the page's code into a folder named by its contents, and the page and its worker beside.

usage: seal.py TREE LINKED SW_TEMPLATE --set FILE... --now FILE... --later FILE...

LINKED holds what emcc made (index.html, index.js, index.wasm); --set names the other files that
go with them (the page's start script, its style, the timer worker, the faces). They go together
into TREE/v/HASH/, and index.html and sw.js into TREE naming that folder. A browser keeps a file
under a name for as long as a server's headers let it guess: a name that changes with the build
means an old script is never run with a new module, and only index.html and sw.js need to come
fresh, which the service worker sees to. Other folders under v/ are removed from TREE; a host
keeps them for a while, for pages still open (README).
"""
import hashlib
import os
import shutil
import sys


def main():
    tree, linked, template = sys.argv[1:4]
    lists = {"--set": [], "--now": [], "--later": []}
    for arg in sys.argv[4:]:
        if arg in lists:
            current = lists[arg]
        else:
            current.append(arg)
    members = [os.path.join(linked, n) for n in ("index.js", "index.wasm")] + lists["--set"]
    digest = hashlib.sha256()
    for path in members:
        digest.update(os.path.basename(path).encode() + b"\0")
        with open(path, "rb") as f:
            digest.update(f.read())
    version = "v/" + digest.hexdigest()[:12]
    folder = os.path.join(tree, version)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "fonts"))
    named = []
    for path in members:
        name = ("fonts/" if path.endswith(".woff2") else "") + os.path.basename(path)
        shutil.copyfile(path, os.path.join(folder, name))
        named.append(f"{version}/{name}")
    for old in os.listdir(os.path.join(tree, "v")):
        if f"v/{old}" != version:
            shutil.rmtree(os.path.join(tree, "v", old))

    with open(os.path.join(linked, "index.html"), encoding="utf-8") as f:
        page = f.read()
    page = page.replace('src="index.js"', f'src="{version}/index.js"').replace("@v@", version)
    write(os.path.join(tree, "index.html"), page)

    def quoted(names):
        return ", ".join(f"'{n}'" for n in names)

    with open(template, encoding="utf-8") as f:
        worker = f.read()
    worker = (worker.replace("@xr_version@", version)
              .replace("@xr_sw_files@", quoted(["./", "index.html", *named, *lists["--now"]]))
              .replace("@xr_sw_later@", quoted(lists["--later"])))
    write(os.path.join(tree, "sw.js"), worker)


def write(path, text):
    # Through a new file, so that a server never sends half of one.
    with open(path + ".new", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".new", path)


main()
