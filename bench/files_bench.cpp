// Speed of the engine file and the interface string file, against the cost of only reading
// and writing the same bytes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/atomic_file.h"
#include "files/engine_file.h"
#include "files/interface_strings.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

fs::path ScratchFolder() {
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path() / "orvantis-files-bench";
  fs::create_directories(folder, ec);
  return folder;
}

// An engine with both cam-lift tables and keyboard flow tables filled.
EngineInputs FullEngine() {
  EngineInputs in;
  in.Int.Redim(0, 359);
  in.Exh.Redim(0, 359);
  for (int d = 0; d < 360; ++d) {
    in.Int[d] = static_cast<float>(d < 180 ? d : 359 - d) / 400.0f;
    in.Exh[d] = in.Int[d] * 0.9f;
  }
  for (BoundedArray<float>* t : {&in.ILift, &in.ICfm, &in.ISwirl, &in.ELift, &in.ECfm}) {
    t->Redim(0, 10);
    for (int i = 1; i <= 10; ++i) (*t)[i] = 0.05f * static_cast<float>(i);
  }
  return in;
}

void BM_EngineFileRead(benchmark::State& state) {
  const fs::path path = ScratchFolder() / "read.OV";
  EngineInputs in = FullEngine();
  SilentPrompter n;
  EngineFileIO(path, in, false, false, n);
  for (auto _ : state) {
    EngineInputs back;
    benchmark::DoNotOptimize(EngineFileIO(path, back, true, false, n));
  }
}
BENCHMARK(BM_EngineFileRead);

// The floor of a read: loading the same file's bytes.
void BM_EngineFileLoadBytes(benchmark::State& state) {
  const fs::path path = ScratchFolder() / "read.OV";
  for (auto _ : state) benchmark::DoNotOptimize(ReadWholeFile(path));
}
BENCHMARK(BM_EngineFileLoadBytes);

// A save includes flushing the file to disk before it replaces the old one.
void BM_EngineFileWrite(benchmark::State& state) {
  const fs::path path = ScratchFolder() / "write.OV";
  EngineInputs in = FullEngine();
  SilentPrompter n;
  for (auto _ : state) benchmark::DoNotOptimize(EngineFileIO(path, in, false, false, n));
}
BENCHMARK(BM_EngineFileWrite)->Unit(benchmark::kMicrosecond);

// An engine file grown to `megabytes` by hand-written lines: one run of blank lines (the case
// that once rebuilt a table of every line for each section read) or one of short keys in the
// "Inputs" section, which every key lookup passes over. Reading must take time in proportion to
// the size of the file.
fs::path PaddedEngineFile(int megabytes, bool keys) {
  std::string name = "padded-";
  name += std::to_string(megabytes);
  name += keys ? "-keys.OV" : "-blank.OV";
  const fs::path path = ScratchFolder() / name;
  EngineInputs in = FullEngine();
  SilentPrompter n;
  EngineFileIO(path, in, false, false, n);
  std::string text = ReadWholeFile(path).value_or("");
  const std::size_t target = static_cast<std::size_t>(megabytes) * 1024 * 1024 - 64;
  std::string padding;
  if (keys) {
    for (int i = 0; padding.size() + text.size() < target; ++i) {
      padding += 'k';
      padding += std::to_string(i);
      padding += "=1\r\n";
    }
  } else {
    padding.assign(target - text.size(), '\n');
  }
  text.insert(text.find("[Inputs]\r\n") + 10, padding);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

void BM_EngineFileReadPadded(benchmark::State& state) {
  const fs::path path = PaddedEngineFile(static_cast<int>(state.range(0)), state.range(1) != 0);
  SilentPrompter n;
  for (auto _ : state) {
    EngineInputs back;
    benchmark::DoNotOptimize(EngineFileIO(path, back, true, false, n));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}
BENCHMARK(BM_EngineFileReadPadded)
    ->ArgsProduct({{1, 4, 15}, {0, 1}})
    ->ArgNames({"MB", "keys"})
    ->Unit(benchmark::kMillisecond);

void BM_InterfaceStringsParse(benchmark::State& state) {
  const auto text = ReadWholeFile(fs::path(ORVANTIS_RESOURCES) / "OV-STR.TXT");
  if (!text) {
    state.SkipWithError("OV-STR.TXT not found");
    return;
  }
  for (auto _ : state) {
    InterfaceStrings s;
    s.Parse(*text);
    benchmark::DoNotOptimize(s.Label(0).size());
  }
}
BENCHMARK(BM_InterfaceStringsParse);

}  // namespace
}  // namespace orv
