// How the XML writer and reader open their file.
#pragma once

#include <cstdio>
#include <string>

// Opens the file a writer writes to or a reader reads from; null when it cannot. Programs that
// must not follow links pass their own; by default the file is opened by name with fopen.
using XmlFileOpener = std::FILE* (*)(const std::string& path);
