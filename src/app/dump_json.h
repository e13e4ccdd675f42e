#pragma once

#include <nlohmann/json.hpp>

#include "app/workspace.h"

namespace orv {

// The engine as the JSON document of `orvantis dump`: inputs by engine-file key in English
// units, input statuses, suggestions, the warning, every scalar result and per-degree table.
nlohmann::ordered_json DumpJson(const Workspace& ws);

// A 32-bit float as the JSON number of its shortest decimal text (55.1, not 55.09999847).
double SingleForJson(float value);

}  // namespace orv
