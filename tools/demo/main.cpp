// tidewarp-demo [--remove]: plants the demo errors (or takes them away) for `tools/run --demo`.
// Registry entries go to the prefix's registry, the ignore list is the one in the current folder.
#include "tools/demo/DemoPlanter.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool remove = argc == 2 && std::strcmp(argv[1], "--remove") == 0;
    if (argc > 1 && !remove) {
        std::fprintf(stderr, "usage: tidewarp-demo [--remove]\n");
        return 2;
    }
    const demo::Outcome out = remove ? demo::Remove() : demo::Plant();
    if (!out.error.empty()) {
        std::fprintf(stderr, "tidewarp-demo: %s\n", out.error.c_str());
        return 2;
    }
    if (remove)
        std::printf("Removed the TidewarpDemo entries and shortcuts.\n");
    else
        std::printf("Planted %d broken registry entries and %d broken shortcuts, all named TidewarpDemo.\n",
                    out.registryEntries, out.shortcuts);
    if (out.unignored) std::printf("Took %d TidewarpDemo items off the ignore list.\n", out.unignored);
    return 0;
}
