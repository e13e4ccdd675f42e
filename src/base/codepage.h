#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Text in the binary files of cam-measuring machines and flow benches is Windows-1252; the
// program holds text as UTF-8. The five code points Windows-1252 leaves undefined map to the
// C1 control characters of the same value, so every byte converts.
std::string Cp1252ToUtf8(std::string_view bytes);

// The reverse, for our own writers: characters Windows-1252 cannot hold become "?".
std::string Utf8ToCp1252(std::string_view utf8);

// The reverse without loss: nothing when the text is not well-formed UTF-8 or holds a
// character Windows-1252 has no byte for.
std::optional<std::string> Utf8ToCp1252Exact(std::string_view utf8);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsUtf8(std::string_view bytes) noexcept;

// Text that may come from either side: our own files and the command line hold UTF-8, files
// written on Windows hold Windows-1252. Well-formed UTF-8 is kept as it is, anything else is
// read as Windows-1252, so every byte gives a character.
std::string Utf8OrCp1252ToUtf8(std::string_view bytes);

}  // namespace orv
