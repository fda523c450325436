// Broken entries of every registry category and a few broken shortcuts, every one named
// "TidewarpDemo...", so that a scan of a fresh prefix finds, fixes and restores something.
#pragma once

#include <string>

namespace demo {

// What a planting did, or why it could not.
struct Outcome {
    int registryEntries = 0;
    int shortcuts = 0;
    int unignored = 0;       // demo items dropped from the ignore list
    std::string error;       // empty on success
};

// Takes away whatever an earlier planting left (a fix may have removed part of it, a restore put it
// back, an unticked row put it on the ignore list), then plants the whole set again: planting twice
// plants the same set.
Outcome Plant();

// Takes the demo entries and shortcuts away and drops demo items from the ignore list.
Outcome Remove();

}  // namespace demo
