#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/engine_inputs.h"
#include "files/keyed_file.h"

namespace orv {

inline constexpr const char* kEngineFileId = "Orvantis Engine File";
inline constexpr const char* kNotEngineFile = " is not an Orvantis engine file.";
inline constexpr const char* kUsingDefaultEngine = "Using default engine values";
inline constexpr const char* kEngineExtension = ".OV";

// Reads (reading true) or writes an engine file ".OV" holding one whole engine: the inputs,
// the cam and flow-test references, the keyboard flow tables and the two cam-lift tables.
//
// Reading with `quiet` off refuses a missing or foreign file (beep and warning through
// `prompter`) and leaves `inputs` untouched; with `quiet` on it warns and reads on, keys that
// are missing taking their file defaults. `inputs` is replaced only when the read succeeds.
// Writing reports failure when the file cannot be written or holds a number that would not read
// back (infinite or not a number); the file on disk is then unchanged. The file keeps the
// built-in engine's values only where they differ from the file defaults. On failure `reason`
// (when given) says why: the file could not be read or written, or a value was refused; it
// stays empty for a file that was read but is not an engine file (the header check has said
// so).
bool EngineFileIO(const std::filesystem::path& path, EngineInputs& inputs, bool reading, bool quiet,
                  Prompter& prompter, std::string* reason = nullptr);

// Counts the text up by one like an odometer from its last character: digits, capitals and
// small letters roll over within their own kind and carry to the left ("MyEngine009" gives
// "MyEngine010", "MyEngine999" gives "MyEnginf000", "999" gives "000"). Any other character
// is left unchanged and the carry passes over it.
std::string Sequence(std::string_view text);

// The next file name in sequence: the base name (before the last ".") counted up with
// `Sequence`, the extension kept ("Run.OV" gives "Ruo.OV"). Blanks are trimmed; an empty name
// or one that begins with its only "." gives an empty result.
std::string AdvanceFileName(std::string_view name);

// The list text of a table: each element with `pattern` and a "," after it.
std::string ListText(const BoundedArray<float>& table, std::string_view pattern);

}  // namespace orv
