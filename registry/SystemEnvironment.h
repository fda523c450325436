// The path environment of the running system (ExpandEnvironmentStrings, system and Windows folders).
#pragma once

#include "registry/PathCleanup.h"

const PathEnvironment& SystemPathEnvironment();
