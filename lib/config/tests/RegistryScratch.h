// A registry of its own for each test, in a temporary folder removed with
// the fixture (TempRegistry.h, with the readers Raw and KeyExists).
#pragma once

#include "TempRegistry.h"

using RegistryScratch = TempRegistry;
