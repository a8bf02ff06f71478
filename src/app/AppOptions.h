// The program's one settings object, defined beside the entry point.
#pragma once

#include "settings/Options.h"

extern vantrel::TOptions AppOptions;
