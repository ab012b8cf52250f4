#!/usr/bin/env python3
"""The house's layer rule, checked over the source tree.

Each folder may include the project headers of its own folder and of the folders below
it, never above:

    programs -> wizard -> pages -> gui -> io -> core
    programs -> cli -> io

core/ includes no Qt, codec or operating-system header (the C++ standard library only),
and io/ and cli/ include no Qt header. tests/, bench/ and fuzz/ may use every layer.

Usage: check_layers.py ROOT     checks ROOT, prints each violation, exits 1 on any
       check_layers.py --self-test  plants an upward include in a scratch tree and checks
                                    that it is found
"""
import os
import re
import sys
import tempfile

MAY_USE = {
    "core": {"core"},
    "io": {"io", "core"},
    "cli": {"cli", "io", "core"},
    "gui": {"gui", "io", "core"},
    "pages": {"pages", "gui", "io", "core"},
    "wizard": {"wizard", "pages", "gui", "io", "core"},
    "programs": {"programs", "wizard", "pages", "gui", "cli", "io", "core"},
}
NO_QT = {"core", "io", "cli"}

# The C++ standard library's headers (and the C headers it carries as <cname>).
STANDARD = set("""
algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv
chrono cinttypes climits clocale cmath codecvt compare complex concepts condition_variable
coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar
cwctype deque exception execution expected filesystem format forward_list fstream functional
future initializer_list iomanip ios iosfwd iostream istream iterator latch limits list locale
map memory memory_resource mutex new numbers numeric optional ostream queue random ranges
ratio regex scoped_allocator semaphore set shared_mutex source_location span sstream stack
stdexcept stop_token streambuf string string_view syncstream system_error thread tuple
type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant vector
version
""".split())

LOCAL = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SYSTEM = re.compile(r"^\s*#\s*include\s+<([^>]+)>")


def violations(root):
    found = []
    for layer in MAY_USE:
        top = os.path.join(root, layer)
        for folder, _, files in os.walk(top):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root)
                with open(path, encoding="utf-8") as f:
                    for number, line in enumerate(f, 1):
                        m = LOCAL.match(line)
                        if m:
                            target = m.group(1).split("/")[0] if "/" in m.group(1) else layer
                            if target in MAY_USE and target not in MAY_USE[layer]:
                                found.append(f"{rel}:{number}: {layer}/ includes {m.group(1)} "
                                             f"from the layer above it ({target}/)")
                            continue
                        m = SYSTEM.match(line)
                        if not m:
                            continue
                        header = m.group(1)
                        if layer == "core" and header not in STANDARD:
                            found.append(f"{rel}:{number}: core/ includes <{header}>, "
                                         "which is not the C++ standard library")
                        elif layer in NO_QT and re.match(r"Q[A-Za-z]|Qt", header):
                            found.append(f"{rel}:{number}: {layer}/ includes the Qt header "
                                         f"<{header}>")
    return found


def self_test():
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "core"))
        os.makedirs(os.path.join(root, "gui"))
        with open(os.path.join(root, "gui", "view.h"), "w") as f:
            f.write('#include "core/icon.h"\n#include <QWidget>\n')
        with open(os.path.join(root, "core", "icon.h"), "w") as f:
            f.write("#include <vector>\n")
        if violations(root):
            print("self-test: a clean tree was reported")
            return 1
        with open(os.path.join(root, "core", "icon.h"), "a") as f:
            f.write('#include "gui/view.h"\n#include <unistd.h>\n')
        found = violations(root)
        if len(found) != 2:
            print("self-test: expected 2 violations, got:", *found, sep="\n  ")
            return 1
    print("self-test: an upward include and an OS header in core/ are both found")
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    found = violations(sys.argv[1])
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) break the layer rule")
        return 1
    print("every include follows the layer rule")
    return 0


if __name__ == "__main__":
    sys.exit(main())
