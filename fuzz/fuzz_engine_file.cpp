// Fuzz target: reading an engine file of any bytes, in both header behaviours, then writing
// the engine that was read and reading its texts back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/atomic_file.h"
#include "files/engine_file.h"

namespace {
// Scratch files in memory where the system has a memory file system (the writer flushes every
// file to its disk).
std::filesystem::path Scratch(const char* name) {
  std::error_code ec;
  const std::filesystem::path shm("/dev/shm");
  const std::filesystem::path folder =
      std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
  return folder / ("orvantis-fuzz-" + std::to_string(::getpid()) + "-" + name);
}

// Removes the scratch files when the fuzzer ends.
struct ScratchFiles {
  std::filesystem::path input = Scratch("in.OV");
  std::filesystem::path output = Scratch("out.OV");
  ~ScratchFiles() {
    std::error_code ec;
    std::filesystem::remove(input, ec);
    std::filesystem::remove(output, ec);
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFiles files;
  const std::filesystem::path& input = files.input;
  const std::filesystem::path& output = files.output;
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  orv::SilentPrompter prompter;
  for (bool quiet : {false, true}) {
    orv::EngineInputs in;
    if (orv::EngineFileIO(input, in, true, quiet, prompter)) {
      if (in.Int.count() != 1 && in.Int.count() != 360) __builtin_trap();
      if (in.ILift.count() != in.ICfm.count() || in.ISwirl.count() != in.ILift.count()) {
        __builtin_trap();
      }
      std::filesystem::remove(output);
      if (!orv::EngineFileIO(output, in, false, false, prompter)) __builtin_trap();
      // Every text reads back as it was held, except that a line break or NUL in it is written
      // as a blank and blanks at its ends are not kept.
      orv::EngineInputs back;
      if (!orv::EngineFileIO(output, back, true, false, prompter)) __builtin_trap();
      auto same = [](std::string held, const std::string& read) {
        for (char& c : held) {
          if (c == '\r' || c == '\n' || c == '\0') c = ' ';
        }
        const std::size_t first = held.find_first_not_of(" \t");
        const std::size_t last = held.find_last_not_of(" \t");
        held = first == std::string::npos ? "" : held.substr(first, last - first + 1);
        return held == read;
      };
      if (!same(in.intakeCam.path, back.intakeCam.path) ||
          !same(in.exhaustCam.path, back.exhaustCam.path) ||
          !same(in.intakeFlow.path, back.intakeFlow.path) ||
          !same(in.intakeFlow.name, back.intakeFlow.name) ||
          !same(in.exhaustFlow.path, back.exhaustFlow.path) ||
          !same(in.exhaustFlow.name, back.exhaustFlow.name)) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
