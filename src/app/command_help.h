#pragma once

#include <string>

namespace CLI {
class App;
}

namespace orv {

// The hidden option that prints the manual page instead of running a command (the build makes
// `orvantis.1` with it).
inline constexpr const char* kManPageOption = "--man";

// Gives the command line its longer help: the value names of the options (DIR, FILE.OV,
// KEY=VALUE, ...) and the paragraphs shown after each command's options and after the list of
// commands (engine inputs, files, environment, exit status). Commands and options it does not
// know keep the help they were given.
void AddHelpTexts(CLI::App& app);

// The manual page (roff, section 1) of the command line, from the same texts as `--help`: the
// name and description, every command that is not hidden with its usage, its description, its
// further paragraphs and its arguments and options, then the general paragraphs.
std::string ManPage(const CLI::App& app);

// Wraps text to lines of at most `width` characters, breaking at blanks; lines of the text that
// begin with a blank are kept as they are (examples, lists).
std::string WrapText(const std::string& text, std::size_t width);

}  // namespace orv
