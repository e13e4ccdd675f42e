// The cam card on the command line: table, JSON and the lobes of a folder.
#include "app/cam_card_command.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <numeric>

namespace orv {

namespace {

constexpr const char* kMissing = "\xe2\x80\x93";  // "–": a figure that does not exist

enum class Figure { Length, Angle, Area, Velocity };

struct CardField {
  const char* name;   // JSON and CSV name
  const char* label;  // the table's words
  Figure figure;
};

constexpr std::array<CardField, 7> kFields{{
    {"maxLift", "Maximum valve lift", Figure::Length},
    {"maxLiftAngle", "Crank angle of maximum lift", Figure::Angle},
    {"liftAtTDC", "Lift at TDC", Figure::Length},
    {"centerline", "Lobe centerline", Figure::Angle},
    {"liftArea", "Lift-area", Figure::Area},
    {"maxOpeningVelocity", "Peak opening velocity", Figure::Velocity},
    {"maxClosingVelocity", "Peak closing velocity", Figure::Velocity},
}};
constexpr std::size_t kTextColumns = 3;  // file, lobe, side

std::optional<double> FieldValue(const CamCard& c, std::size_t k) {
  switch (k) {
    case 0:
      return c.maxLift;
    case 1:
      return c.maxLiftAngle;
    case 2:
      return c.liftAtTDC;
    case 3:
      return c.centerline;
    case 4:
      return c.liftArea;
    case 5:
      return c.maxOpeningVelocity;
    default:
      return c.maxClosingVelocity;
  }
}

// The card's numbers in column order: the fields, then duration, opens, closes per height.
std::vector<std::optional<double>> CardValues(const CamCard& c, std::size_t heights) {
  std::vector<std::optional<double>> v;
  for (std::size_t k = 0; k < kFields.size(); ++k) v.push_back(FieldValue(c, k));
  for (std::size_t h = 0; h < heights; ++h) {
    const CamCheck* check = h < c.checks.size() ? &c.checks[h] : nullptr;
    v.push_back(check ? check->duration : std::nullopt);
    v.push_back(check ? check->opens : std::nullopt);
    v.push_back(check ? check->closes : std::nullopt);
  }
  return v;
}

Figure FigureOfValue(std::size_t k) {
  return k < kFields.size() ? kFields[k].figure : Figure::Angle;
}

int Decimals(Figure f, UnitMode mode) {
  const bool english = mode == UnitMode::English;
  switch (f) {
    case Figure::Length:
      return english ? 4 : 3;
    case Figure::Angle:
      return 1;
    case Figure::Area:
      return english ? 2 : 1;
    case Figure::Velocity:
      return english ? 5 : 4;
  }
  return 1;
}

std::string Fixed(std::optional<double> v, int decimals) {
  if (!v) return kMissing;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, *v + 0.0);
  std::string s = buf;
  // No "-0.0" for a value that rounds to nothing.
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  return s;
}

// All the digits of a double, as short as reads back to the same value.
std::string Exact(std::optional<double> v) {
  if (!v) return "";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, *v + 0.0);
  return std::string(buf, r.ptr);
}

// Characters shown, a multi-byte character counting one.
std::size_t Shown(const std::string& s) {
  std::size_t n = 0;
  for (const char c : s) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string PadLeft(const std::string& s, std::size_t width) {
  const std::size_t n = Shown(s);
  return n >= width ? s : std::string(width - n, ' ') + s;
}
std::string PadRight(const std::string& s, std::size_t width) {
  const std::size_t n = Shown(s);
  return n >= width ? s : s + std::string(width - n, ' ');
}

nlohmann::ordered_json Nullable(std::optional<double> v) {
  if (v) return *v;
  return nullptr;
}

const char* LengthUnit(UnitMode mode) { return mode == UnitMode::English ? "in" : "mm"; }

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (const char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + '"';
}

std::string SideName(bool intake) { return intake ? "intake" : "exhaust"; }

}  // namespace

std::optional<CardHeights> CardHeightsOf(const std::string& text, UnitMode mode, std::string& why) {
  CardHeights h;
  if (text.empty()) {
    h.values = DefaultCheckHeights(mode);
    h.texts = mode == UnitMode::English ? std::vector<std::string>{"0.006", "0.050", "0.200"}
                                        : std::vector<std::string>{"0.1524", "1.27", "5.08"};
    return h;
  }
  const auto values = ParseCheckHeights(text, why);
  if (!values) return std::nullopt;
  h.values = *values;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    h.texts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return h;
}

nlohmann::ordered_json CamCardJson(const CamCard& card, const CardHeights& heights) {
  nlohmann::ordered_json j;
  for (std::size_t k = 0; k < kFields.size(); ++k)
    j[kFields[k].name] = Nullable(FieldValue(card, k));
  j["checks"] = nlohmann::ordered_json::array();
  for (std::size_t h = 0; h < card.checks.size(); ++h) {
    const CamCheck& c = card.checks[h];
    nlohmann::ordered_json row;
    row["height"] = h < heights.values.size() ? heights.values[h] : c.height;
    row["duration"] = Nullable(c.duration);
    row["opens"] = Nullable(c.opens);
    row["closes"] = Nullable(c.closes);
    j["checks"].push_back(std::move(row));
  }
  return j;
}

nlohmann::ordered_json CamCardJson(const EngineCamCard& card, const std::string& unitsName,
                                   const CardHeights& heights) {
  nlohmann::ordered_json j;
  j["units"] = unitsName;
  j["intake"] = card.intake ? CamCardJson(*card.intake, heights) : nlohmann::ordered_json(nullptr);
  j["exhaust"] =
      card.exhaust ? CamCardJson(*card.exhaust, heights) : nlohmann::ordered_json(nullptr);
  j["separation"] = Nullable(card.separation);
  j["overlap"] = nlohmann::ordered_json::array();
  for (std::size_t h = 0; h < card.overlap.size(); ++h) {
    j["overlap"].push_back(
        {{"height", h < heights.values.size() ? heights.values[h] : card.overlap[h].height},
         {"overlap", Nullable(card.overlap[h].overlap)}});
  }
  return j;
}

std::string CamCardTable(const EngineCamCard& card, UnitMode mode, const CardHeights& heights) {
  const std::string len = LengthUnit(mode);
  struct Line {
    std::string label, unit, intake, exhaust;
  };
  std::vector<Line> lines;
  auto side = [](const std::optional<CamCard>& c, std::size_t k, int decimals) {
    if (!c) return std::string(kMissing);
    return Fixed(CardValues(*c, c->checks.size())[k], decimals);
  };
  const std::array<std::string, 7> units{
      len, "deg ATDC", len, "", len + " x deg", len + "/cam deg", len + "/cam deg"};
  for (std::size_t k = 0; k < kFields.size(); ++k) {
    std::string unit = units[k];
    if (k == 3) unit = "deg ATDC / BTDC";
    const int d = Decimals(kFields[k].figure, mode);
    lines.push_back({kFields[k].label, unit, side(card.intake, k, d), side(card.exhaust, k, d)});
  }
  for (std::size_t h = 0; h < heights.texts.size(); ++h) {
    const std::string at = " at " + heights.texts[h] + " " + len;
    const std::size_t base = kFields.size() + 3 * h;
    lines.push_back(
        {"Duration" + at, "deg", side(card.intake, base, 1), side(card.exhaust, base, 1)});
    lines.push_back({"Opens" + at, "deg BTDC / BBDC", side(card.intake, base + 1, 1),
                     side(card.exhaust, base + 1, 1)});
    lines.push_back({"Closes" + at, "deg ABDC / ATDC", side(card.intake, base + 2, 1),
                     side(card.exhaust, base + 2, 1)});
  }
  std::vector<Line> pair;
  pair.push_back({"Lobe separation", "cam deg", Fixed(card.separation, 1), ""});
  for (std::size_t h = 0; h < card.overlap.size(); ++h) {
    pair.push_back({"Overlap at " + (h < heights.texts.size() ? heights.texts[h] : "") + " " + len,
                    "deg", Fixed(card.overlap[h].overlap, 1), ""});
  }
  std::size_t labelWidth = 0, unitWidth = 0;
  for (const auto* list : {&lines, &pair}) {
    for (const Line& l : *list) {
      labelWidth = std::max(labelWidth, Shown(l.label));
      unitWidth = std::max(unitWidth, Shown(l.unit));
    }
  }
  constexpr std::size_t kValue = 10;
  std::string out = PadRight("", labelWidth) + "  " + PadRight("", unitWidth) + "  " +
                    PadLeft("Intake", kValue) + "  " + PadLeft("Exhaust", kValue) + '\n';
  for (const Line& l : lines) {
    out += PadRight(l.label, labelWidth) + "  " + PadRight(l.unit, unitWidth) + "  " +
           PadLeft(l.intake, kValue) + "  " + PadLeft(l.exhaust, kValue) + '\n';
  }
  out += '\n';
  for (const Line& l : pair) {
    out += PadRight(l.label, labelWidth) + "  " + PadRight(l.unit, unitWidth) + "  " +
           PadLeft(l.intake, kValue) + '\n';
  }
  return out;
}

std::vector<std::string> LobeCardColumns(const CardHeights& heights) {
  std::vector<std::string> c{"file", "lobe", "side"};
  for (const CardField& f : kFields) c.push_back(f.name);
  for (const std::string& h : heights.texts) {
    c.push_back("duration@" + h);
    c.push_back("opens@" + h);
    c.push_back("closes@" + h);
  }
  return c;
}

bool SortLobeCards(std::vector<LobeCardRow>& rows, const std::string& key,
                   const CardHeights& heights, bool reverse, std::string& why) {
  const std::vector<std::string> columns = LobeCardColumns(heights);
  const auto it = std::find(columns.begin(), columns.end(), key);
  if (it == columns.end()) {
    why = "no column is named \"" + key + "\"; --sort takes one of:";
    for (const std::string& c : columns) why += " " + c;
    return false;
  }
  const auto col = static_cast<std::size_t>(it - columns.begin());
  const std::size_t n = heights.texts.size();
  if (col < kTextColumns) {
    auto text = [col](const LobeCardRow& r) -> std::string {
      return col == 0 ? r.file : col == 1 ? r.lobe : SideName(r.intake);
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const LobeCardRow& a, const LobeCardRow& b) {
      return reverse ? text(b) < text(a) : text(a) < text(b);
    });
    return true;
  }
  auto value = [col, n](const LobeCardRow& r) -> std::optional<double> {
    if (!r.card) return std::nullopt;
    return CardValues(*r.card, n)[col - kTextColumns];
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const LobeCardRow& a, const LobeCardRow& b) {
    const auto va = value(a);
    const auto vb = value(b);
    if (!va || !vb) return va.has_value() && !vb.has_value();  // empty cells last
    return reverse ? *vb < *va : *va < *vb;
  });
  return true;
}

std::string LobeCardsCsv(const std::vector<LobeCardRow>& rows, const CardHeights& heights) {
  std::string out;
  const std::vector<std::string> columns = LobeCardColumns(heights);
  for (std::size_t c = 0; c < columns.size(); ++c) out += (c ? "," : "") + CsvField(columns[c]);
  out += '\n';
  for (const LobeCardRow& r : rows) {
    out += CsvField(r.file) + ',' + CsvField(r.lobe) + ',' + SideName(r.intake);
    const std::size_t cells = columns.size() - kTextColumns;
    for (std::size_t k = 0; k < cells; ++k) {
      out += ',';
      if (r.card) out += Exact(CardValues(*r.card, heights.texts.size())[k]);
    }
    out += '\n';
  }
  return out;
}

std::string LobeCardsTable(const std::vector<LobeCardRow>& rows, UnitMode mode,
                           const CardHeights& heights) {
  const std::vector<std::string> columns = LobeCardColumns(heights);
  std::vector<std::vector<std::string>> cells;
  cells.push_back(columns);
  for (const LobeCardRow& r : rows) {
    std::vector<std::string> line{r.file, r.lobe, SideName(r.intake)};
    const std::size_t n = columns.size() - kTextColumns;
    for (std::size_t k = 0; k < n; ++k) {
      line.push_back(r.card ? Fixed(CardValues(*r.card, heights.texts.size())[k],
                                    Decimals(FigureOfValue(k), mode))
                            : kMissing);
    }
    cells.push_back(std::move(line));
  }
  std::vector<std::size_t> width(columns.size(), 0);
  for (const auto& line : cells) {
    for (std::size_t c = 0; c < line.size(); ++c) width[c] = std::max(width[c], Shown(line[c]));
  }
  std::string out;
  for (const auto& line : cells) {
    std::string text;
    for (std::size_t c = 0; c < line.size(); ++c) {
      if (c) text += "  ";
      text += c < kTextColumns ? PadRight(line[c], width[c]) : PadLeft(line[c], width[c]);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text + '\n';
  }
  return out;
}

}  // namespace orv
