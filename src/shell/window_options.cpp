#include "shell/window_options.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "app/command_line.h"
#include "app/graph_model.h"

namespace orv {

namespace {

constexpr const char* kUsage =
    "usage: orvantis [--data-root DIR] [--no-pause]\n"
    "       orvantis --has-window\n"
    "       orvantis [--data-root DIR] --screenshot FILE.png [--view N] [--stage 1|2]\n"
    "                [--part inputs|outputs|sources|balance-chart]\n"
    "                [--dialog options|report-setup|cam|flow-dos|flow-database|flow-keyboard|\n"
    "                          explain]\n"
    "                [--source PATH] [--tags 1,5,8] [--size WxH]\n"
    "                [--units english|metric|metric-m3] [ENGINE.OV]\n";

constexpr std::array<const char*, 4> kParts = {"inputs", "outputs", "sources", "balance-chart"};
constexpr std::array<const char*, 7> kDialogs = {
    "options", "report-setup", "cam", "flow-dos", "flow-database", "flow-keyboard", "explain"};

template <std::size_t N>
bool OneOf(const std::string& value, const std::array<const char*, N>& names) {
  return std::find(names.begin(), names.end(), value) != names.end();
}

template <std::size_t N>
std::string ListOf(const std::array<const char*, N>& names) {
  std::string list;
  for (const char* name : names) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

// "1,5,8": curve numbers 1..13, each once.
bool ParseTags(const std::string& text, std::vector<int>& tags) {
  tags.clear();
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string item = text.substr(at, comma - at);
    if (item.empty() || item.size() > 2 ||
        !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    const int tag = std::stoi(item);
    if (tag < 1 || tag > kCurveTagCount) return false;
    if (std::find(tags.begin(), tags.end(), tag) != tags.end()) return false;
    tags.push_back(tag);
    at = comma + 1;
  }
  return !tags.empty();
}

bool EndsWithPng(const std::string& path) {
  if (path.size() < 5) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".png";
}

}  // namespace

const char* WindowUsage() noexcept { return kUsage; }

std::optional<std::string> ParseWindowOptions(const std::vector<std::string>& args,
                                              WindowOptions& options) {
  bool viewGiven = false, sizeGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool hasValue = false;
    if (arg.starts_with("--")) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasValue = true;
      }
    }
    const bool takesValue = arg == "--data-root" || arg == "--screenshot" || arg == "--view" ||
                            arg == "--size" || arg == "--units" || arg == "--stage" ||
                            arg == "--part" || arg == "--dialog" || arg == "--source" ||
                            arg == "--tags";
    if (takesValue && !hasValue) {
      if (i + 1 >= args.size()) return arg + " needs a value";
      value = args[++i];
    } else if (!takesValue && hasValue) {
      return arg + " takes no value";
    }
    if (arg == "--data-root") {
      if (value.empty()) return std::string("--data-root needs a folder");
      options.dataRoot = value;
    } else if (arg == "--has-window") {
      options.hasWindow = true;
    } else if (arg == "--no-pause") {
      options.noPause = true;
    } else if (arg == "--screenshot") {
      if (!EndsWithPng(value)) return "--screenshot needs a .png file, got \"" + value + "\"";
      options.screenshot = value;
    } else if (arg == "--view") {
      if (value.size() != 1 || value[0] < '0' || value[0] > '3') {
        return "--view needs 0 (inputs), 1 (graph), 2 (graph settings) or 3 (reports), got \"" +
               value + "\"";
      }
      options.view = value[0] - '0';
      viewGiven = true;
    } else if (arg == "--size") {
      if (!ParsePictureSize(value, options.width, options.height)) {
        return "--size needs WIDTHxHEIGHT in pixels (16 to 16384 each), got \"" + value + "\"";
      }
      sizeGiven = true;
      options.sizeGiven = true;
    } else if (arg == "--stage") {
      if (value != "1" && value != "2") return "--stage needs 1 or 2, got \"" + value + "\"";
      options.stage = value[0] - '0';
    } else if (arg == "--part") {
      if (!OneOf(value, kParts)) {
        return "--part needs one of " + ListOf(kParts) + ", got \"" + value + "\"";
      }
      options.part = value;
    } else if (arg == "--dialog") {
      if (!OneOf(value, kDialogs)) {
        return "--dialog needs one of " + ListOf(kDialogs) + ", got \"" + value + "\"";
      }
      options.dialog = value;
    } else if (arg == "--source") {
      if (value.empty()) return std::string("--source needs a folder or a database file");
      options.source = value;
    } else if (arg == "--tags") {
      if (!ParseTags(value, options.tags)) {
        return "--tags needs curve numbers 1 to 13 separated by commas, got \"" + value + "\"";
      }
    } else if (arg == "--units") {
      if (value != "english" && value != "metric" && value != "metric-m3") {
        return "--units needs english, metric or metric-m3, got \"" + value + "\"";
      }
      options.units = value;
    } else if (arg.starts_with('-')) {
      return "unknown option " + arg;
    } else if (options.engine.empty()) {
      options.engine = arg;
    } else {
      return "unexpected argument " + arg;
    }
  }
  if (options.screenshot.empty() &&
      (viewGiven || sizeGiven || !options.units.empty() || !options.engine.empty() ||
       options.stage != 0 || !options.part.empty() || !options.dialog.empty() ||
       !options.source.empty() || !options.tags.empty())) {
    return std::string(
        "--view, --stage, --part, --dialog, --source, --tags, --size, --units and an engine file "
        "go with --screenshot");
  }
  if (!options.part.empty() && !options.dialog.empty()) {
    return std::string("--part and --dialog cannot be used together");
  }
  if (!options.part.empty() && options.view != 0) {
    return "--part pictures a part of the inputs view (0), not of view " +
           std::to_string(options.view);
  }
  const bool dialogWithSource = options.dialog == "cam" || options.dialog == "flow-dos" ||
                                options.dialog == "flow-database" ||
                                options.dialog == "flow-keyboard";
  if (!options.source.empty() && !dialogWithSource) {
    return std::string("--source goes with --dialog cam, flow-dos, flow-database or flow-keyboard");
  }
  return std::nullopt;
}

}  // namespace orv
