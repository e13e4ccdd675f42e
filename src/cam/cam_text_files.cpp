// The plain-text lift files of cam-measuring machines. Lines end with CR LF; numbers are read
// with the program's text-to-number conversion (text that is no number reads as 0).
//
// S96 file (at most 12000 bytes): one lift value per line. The last 360 complete lines (each
// ended by CR LF) hold the lift at cam angles -180, -179, ..., 179; earlier lines and text
// after the last line end are ignored. No centerline: the lobe is centred on its largest
// value. Inches, or millimetres when the largest value is above 4.5.
//
//   <any lines>
//   <lift at -180> CR LF
//   ...
//   <lift at 179>  CR LF
//   <anything without a line end>
//
// Cam document (at most 150000 bytes): "exhaust lift,intake lift" per line. Up to 12000 bytes
// the last 360 lines stand for cam angles -180..179 from top dead centre; a longer file holds
// tenths of a degree, its last 3600 lines standing for -180.0..179.9. Inches, or millimetres
// when the largest value of the column read is above 3.9. A line's intake value is the text
// after the last comma before its line end, its exhaust value the text from the line's start
// to that comma.
#include "cam/cam_text_files.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>

#include "base/atomic_file.h"
#include "base/checked_fp.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kCamTextFilesModule = "FileIO";
constexpr std::size_t kS96MaxBytes = 12000;
constexpr std::size_t kCamDocMaxBytes = 150000;
constexpr std::size_t kCamDocDegreeMaxBytes = 12000;
constexpr float kS96MillimetreAbove = 4.5f;
constexpr float kCamDocMillimetreAbove = 3.9f;
constexpr float kMillimetresPerInch = 25.4f;
constexpr std::string_view kLineEnd = "\r\n";

// Wraps an index into the table lo..hi (hi standing for the same angle as lo), keeping both
// ends as they are.
int WrapIndex(int index, int lo, int hi) noexcept {
  const int period = hi - lo;
  while (index > hi) index -= period;
  while (index < lo) index += period;
  return index;
}

// The line end before position `pos` (searching backwards from pos - 1), or npos.
std::size_t LineEndBefore(std::string_view text, std::size_t pos) {
  if (pos == 0) return std::string_view::npos;
  return text.rfind(kLineEnd, pos - 1);
}

// Reads the whole file, raising the error the user is shown when it cannot be read (anything
// but a regular file is "File not found", refused before it is opened). A file larger than
// `maxBytes` gives nothing.
std::optional<std::string> ReadLimited(const std::string& path, std::size_t maxBytes) {
  const std::filesystem::path p(path);
  std::string reason;
  std::optional<std::string> text = ReadWholeFile(p, &reason, maxBytes);
  if (text) return text;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(p, ec)) Raise(kErrFileNotFound);
  const std::uintmax_t size = std::filesystem::file_size(p, ec);
  if (!ec && size > maxBytes) return std::nullopt;
  Raise(kErrFileIo);
}

// The lift table of one reader before it is stored, with its largest value.
struct LiftTable {
  BoundedArray<float> values;
  float largest = 0;
  int peak = 0;
  bool any = false;
  // Values arrive from the top index down; on equal values the lower index wins.
  void Put(int index, float v) {
    values[index] = v;
    if (!any || v >= largest) {
      largest = v;
      peak = index;
      any = true;
    }
  }
  void DivideBy(float d) {
    for (float& v : values.values()) v /= d;
  }
};

void StoreLobe(CamLobe& lobe, const BoundedArray<float>& lift, float centerline,
               const std::string& path) {
  lobe.SetRawLift(lift);
  lobe.SetRockerRatio(1);
  lobe.SetLash(0);
  lobe.SetPathFile(path);
  lobe.SetCamCenterLine(centerline);
}

CamTextError ParseS96(std::string_view text, const std::string& path, CamLobe& lobe) {
  if (text.size() > kS96MaxBytes) return CamTextError::TooLarge;
  LiftTable t{BoundedArray<float>(-180, 180)};
  std::size_t end = text.rfind(kLineEnd);
  if (end == std::string_view::npos) return CamTextError::TooFewLines;
  for (int index = 179; index >= -180; --index) {
    const std::size_t before = LineEndBefore(text, end);
    const std::size_t start = before == std::string_view::npos ? 0 : before + kLineEnd.size();
    t.Put(index, TextToSingle(text.substr(start, end - start)));
    if (before == std::string_view::npos && index > -180) return CamTextError::TooFewLines;
    end = before;
  }
  t.values[180] = t.values[-180];

  // Turn the largest value to index 0; each entry moves once, wrapped by one turn at most.
  BoundedArray<float> turned(-180, 180);
  for (int j = -180; j <= 180; ++j) {
    int k = j - t.peak;
    if (k > 180) {
      k -= 360;
    } else if (k < -180) {
      k += 360;
    }
    turned[k] = t.values[j];
  }
  if (t.largest > kS96MillimetreAbove) {
    for (float& v : turned.values()) v /= kMillimetresPerInch;
  }
  CheckFp();
  StoreLobe(lobe, turned, 0, path);
  return CamTextError::Ok;
}

CamTextError ParseCamDoc(std::string_view text, const std::string& path, bool intake,
                         CamLobe& lobe) {
  if (text.size() > kCamDocMaxBytes) return CamTextError::TooLarge;
  const bool tenths = text.size() > kCamDocDegreeMaxBytes;
  const int lo = tenths ? -1800 : -180;
  const int hi = -lo;
  LiftTable t{BoundedArray<float>(lo, hi)};
  std::size_t end = text.rfind(kLineEnd);
  if (end == std::string_view::npos) return CamTextError::TooFewLines;
  for (int index = hi - 1; index >= lo; --index) {
    // The last comma before the line end; a line without one borrows the comma of the line
    // before it, which then counts as part of this line.
    const std::size_t comma = end == 0 ? std::string_view::npos : text.rfind(',', end - 1);
    if (comma == std::string_view::npos) return CamTextError::TooFewLines;
    const std::size_t before = LineEndBefore(text, comma);
    const std::size_t start = before == std::string_view::npos ? 0 : before + kLineEnd.size();
    const std::string_view value =
        intake ? text.substr(comma + 1, end - comma - 1) : text.substr(start, comma - start);
    t.Put(index, TextToSingle(value));
    if (before == std::string_view::npos && index > lo) return CamTextError::TooFewLines;
    end = before;
  }
  t.values[hi] = t.values[lo];
  if (t.largest > kCamDocMillimetreAbove) t.DivideBy(kMillimetresPerInch);

  const float centre = FindLobeCentre(t.values, t.peak);
  CheckFp();
  const int s = ToInt32(RoundHalfEven(centre));
  // One value per whole cam degree with the lobe centre at index 0.
  BoundedArray<float> lift(-180, 180);
  const int step = tenths ? 10 : 1;
  for (int i = -180; i <= 180; ++i) lift[i] = t.values[WrapIndex(step * i + s, lo, hi)];
  const float centerline = tenths ? 2 * centre / 10 : 2 * centre;
  CheckFp();
  StoreLobe(lobe, lift, centerline, path);
  return CamTextError::Ok;
}

// Runs a reader on a copy of the lobe under the error trace; the lobe takes the copy only on
// success. Errors are reported (flag -1), never thrown.
template <class Parse>
CamTextError RunReader(const char* procedure, CamLobe& lobe, std::string* report, Parse parse) {
  ETracker guard(kCamTextFilesModule, procedure);
  try {
    FpRegion fp;
    CamLobe loaded = lobe;
    const CamTextError flag = parse(loaded);
    if (flag == CamTextError::Ok) lobe = std::move(loaded);
    return flag;
  } catch (const RuntimeError&) {
    // A file that cannot be read, a value no table holds, a floating-point fault: reported
    // with its trace.
    std::string message = EStackTrace::Instance().ReportCurrentException(guard);
    if (report != nullptr) *report = std::move(message);
    return CamTextError::ReadError;
  }
}

}  // namespace

float FindLobeCentre(const BoundedArray<float>& table, int peakIndex) {
  const int lo = table.lo();
  const int hi = table.hi();
  const int maxSteps = (hi - lo) / 2;  // half a turn: 180 degrees, or 1800 tenths
  const double peak = table[peakIndex];
  double sum = 0;
  for (int k = 1; k <= 3; ++k) {
    const double level = peak - 0.003 * k;
    for (const int direction : {-1, 1}) {
      double previous = peak;  // the last value found above the level
      double v = peak;
      int h = peakIndex;
      for (int step = 0; step < maxSteps; ++step) {
        h = WrapIndex(h + direction, lo, hi);
        v = table[h];
        if (v <= level) break;
        previous = v;
      }
      // Straight line between the last value above the level and the first at or below it.
      sum += previous != v ? h - direction * (level - v) / (previous - v) : h;
    }
  }
  return static_cast<float>(sum / 6);
}

CamTextError ReadS96Text(std::string_view text, const std::string& path, CamLobe& lobe,
                         std::string* report) {
  return RunReader("ReadS96File", lobe, report,
                   [&](CamLobe& loaded) { return ParseS96(text, path, loaded); });
}

CamTextError ReadS96File(const std::string& path, CamLobe& lobe, std::string* report) {
  return RunReader("ReadS96File", lobe, report, [&](CamLobe& loaded) {
    const std::optional<std::string> text = ReadLimited(path, kS96MaxBytes);
    if (!text) return CamTextError::TooLarge;
    return ParseS96(*text, path, loaded);
  });
}

CamTextError ReadCamDocText(std::string_view text, const std::string& path, CamLobe& lobe,
                            bool intake, std::string* report) {
  return RunReader("ReadCamDocFile", lobe, report,
                   [&](CamLobe& loaded) { return ParseCamDoc(text, path, intake, loaded); });
}

CamTextError ReadCamDocFile(const std::string& path, CamLobe& lobe, bool intake,
                            std::string* report) {
  return RunReader("ReadCamDocFile", lobe, report, [&](CamLobe& loaded) {
    const std::optional<std::string> text = ReadLimited(path, kCamDocMaxBytes);
    if (!text) return CamTextError::TooLarge;
    return ParseCamDoc(*text, path, intake, loaded);
  });
}

std::ostream& operator<<(std::ostream& out, CamTextError error) {
  return out << static_cast<int>(error);
}

std::string CamTextErrorText(CamTextError flag) {
  switch (flag) {
    case CamTextError::Ok:
      return "no error";
    case CamTextError::TooLarge:
      return "the file is too large";
    case CamTextError::TooFewLines:
      return "too few lines, or a line without a comma";
    case CamTextError::ReadError:
      return "the file cannot be read";
  }
  return "unknown error";
}

}  // namespace orv
