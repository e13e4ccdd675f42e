#pragma once

#include <nlohmann/json.hpp>

#include "app/engine_document.h"

namespace orv {

// The engine as the JSON document of `orvantis dump`: inputs by engine-file key in English
// units, input statuses, suggestions, the warning, every scalar result and per-degree table,
// the texts of both output pages and the 13 curves at whole crank degrees -360..360. Errors of
// the curve functions travel to the caller.
nlohmann::ordered_json DumpJson(const EngineDocument& document);

// `DumpJson` as the text `orvantis dump` prints (one blank of indent per level). Text that is not
// well-formed UTF-8 is read as Windows-1252, so no byte can make the writing fail.
std::string DumpJsonText(const EngineDocument& document);

// A 32-bit float as the JSON number of its shortest decimal text (55.1, not 55.09999847).
double SingleForJson(float value);

}  // namespace orv
