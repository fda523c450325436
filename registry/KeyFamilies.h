// The registry keys the scanners look at, as families: a family is one key and everything below it.
// Whatever Tidewarp removes lies in a family (or in its Wow6432Node twin on 64-bit Windows), so a
// restore has no business writing anywhere else.
#pragma once

#include <cstddef>
#include <string>

// Full paths, root name first ("HKEY_LOCAL_MACHINE\SOFTWARE\..."), the current user's keys among
// them for the categories that also scan those.
extern const char* const kScannedKeyFamilies[];
extern const std::size_t kScannedKeyFamilyCount;

// Whether a full registry path is a family's key or lies below it, directly or under its
// Wow6432Node twin, letter case aside. "...\Run" and "...\Run\x" are in the family of Run;
// "...\RunX" is not. A path with an empty, "." or ".." part is never in a family.
bool InScannedKeyFamily(const std::string& fullPath);

// Whether every part of a key path between backslashes is a name: none empty, none "." or "..".
bool IsPlainKeyPath(const std::string& path);
