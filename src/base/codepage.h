#pragma once

#include <string>
#include <string_view>

namespace orv {

// Text in the binary files of cam-measuring machines and flow benches is Windows-1252; the
// program holds text as UTF-8. The five code points Windows-1252 leaves undefined map to the
// C1 control characters of the same value, so every byte converts.
std::string Cp1252ToUtf8(std::string_view bytes);

// The reverse, for our own writers: characters Windows-1252 cannot hold become "?".
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace orv
