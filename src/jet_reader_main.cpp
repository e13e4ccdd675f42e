// The database reader process on its own: a small program that links mdbtools and nothing of
// the window, so that it starts in a few milliseconds instead of loading the whole toolkit each
// time a test database is opened. It takes the same arguments as the program's hidden command:
//   orvantis-jet-reader jet-read --channel FD -- FILE
#include <unistd.h>

#include <charconv>
#include <iostream>
#include <string_view>

#include "airflow/jet_file_reader.h"

int main(int argc, char** argv) {
  const bool usage = argc == 6 && std::string_view(argv[1]) == orv::kJetReadCommand &&
                     std::string_view(argv[2]) == orv::kJetReadChannelOption &&
                     std::string_view(argv[4]) == "--";
  int channel = -1;
  if (usage) {
    const std::string_view text = argv[3];
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), channel);
    if (ec != std::errc() || end != text.data() + text.size()) channel = -1;
  }
  // The channel is a descriptor above the standard three (the same range as the hidden command).
  if (channel < 3 || channel > (1 << 20)) {
    std::cerr << "usage: orvantis-jet-reader " << orv::kJetReadCommand << ' '
              << orv::kJetReadChannelOption << " FD -- FILE\n";
    return static_cast<int>(orv::JetReadStatus::Usage);
  }
  return static_cast<int>(orv::RunJetRead(argv[5], STDIN_FILENO, channel, std::cerr));
}
