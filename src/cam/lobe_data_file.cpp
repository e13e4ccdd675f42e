// The lobe data file (".LBK") of cam-measuring machines. Little-endian throughout: int16 and
// int32 are two's-complement integers, float a 32-bit and double a 64-bit IEEE number; text is
// fixed-width Windows-1252, padded with blanks or NULs. Offsets are from the start of the file.
//
// File header:
//   0     7 bytes   signature "C2data" or "C2Data", then the byte 0x1E
//   7     1 byte    version letter: version = code - 64 ("B" = 2 ... "H" = 8)
//   8     960 chars notes, twelve lines of 80 characters
//   968   30 chars  text, not read
//   998   28 bytes  file settings; int16 LinearOnValve flag at 1002 (non-zero = true), int16
//                   number of camshafts at 1006; the rest not read
//   1026  4 x 12    names of shafts 1..4
//   1074  784 bytes not read
//   1858  2 doubles versions 3 and later: follower radius, base circle radius (used by
//                   versions 2..5; version 2 has no such field and uses 0.375 and 0.5)
//   1874  32 bytes  versions 5 and later: two floats per shaft, not read
//   end-4 int16     lobe count: 1..96 up to version 5, 1..280 from version 6
//   end-2 int16     directory slot count (entries stored)
// The header ends at 1862 (version 2), 1878 (versions 3, 4) or 1910 (versions 5 and later).
//
// Directory, right after the header: slot-count entries of 26 bytes (versions 2, 3) or 30
// bytes (4 and later); entries 1..lobe count describe lobes 1..count in order:
//   0   int16  shaft number 1..4
//   2   int16  lobe number (0 = empty entry; sign and hundreds as `CamLobe::LobeNo`)
//   4   float  centerline, cam degrees (versions 2, 3: `CamCenterLine` = 2 x this)
//   8   float  lift offset
//   12  float  lash
//   16  float  rocker ratio
//   20  int16  not read
//   22  int16  not read
//   24  int16  smoothing passes
//   26  float  versions 4 and later: `CamCenterLine`, crank degrees
//
// Lobe record i (1-based directory position), 2880 bytes at
// header length + slot count x entry size + (i - 1) x 2880:
//   0     360 floats lift at cam angles -180 .. 179
//   1440  int32      versions 6 and later: geometry count n
//   1444  float      follower radius                       (n > 0)
//   1448  float      base circle radius                    (n > 0)
//   1452  int32      follower mode                         (n > 0)
//   1456  float      engine follower radius                (n > 0)
//   1460  float      rocker roller radius                  (n > 0)
//   1464  float      pivot distance                        (n > 0)
//   1468  float      rocker cam arm                        (n > 0)
//   1472  float      valve triangle side A                 (n > 0)
//   1476  float      rocker valve arm                      (n > 0)
//   1480  float      valve triangle side C                 (n > 0)
//   1484  int16      rocker direction flag, non-zero true  (n > 0)
//   1486  int16      angle flag, non-zero true             (n > 0)
//   1488  float      geometry angle, degrees               (n > 0)
//   1492  int16      centerline method                     (n >= 2)
//   2876  float      versions 8 and later: angle offset, cam degrees
#include "cam/lobe_data_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>
#include <ostream>
#include <span>
#include <system_error>
#include <vector>

#include "base/atomic_file.h"
#include "base/byte_reader.h"
#include "base/codepage.h"
#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/text.h"
#include "cam/cam_lobe.h"

namespace orv {

namespace {

constexpr const char* kLobeDataFileModule = "CamLobe";
constexpr std::uint64_t kShortestFile = 1861;        // this many bytes or fewer: not a lobe file
constexpr std::size_t kLargestDirectoryEnd = 10310;  // 1910 + 280 x 30
constexpr std::size_t kNotesOffset = 8;
constexpr std::size_t kFileNotesLength = 960;
constexpr std::size_t kLinearOnValveOffset = 1002;
constexpr std::size_t kShaftCountOffset = 1006;
constexpr std::size_t kShaftNamesOffset = 1026;
constexpr std::size_t kShaftNameLength = 12;
constexpr std::size_t kHeaderRadiiOffset = 1858;
constexpr std::size_t kRecordLength = 2880;
constexpr std::int16_t kTrue16 = -1;
constexpr float kVersion2FollowerRadius = 0.375f;
constexpr float kVersion2BaseCircleRadius = 0.5f;

// One directory entry, as the lobe takes it.
struct DirectoryEntry {
  std::int16_t shaftNo = 0;
  std::int16_t lobeNo = 0;
  float camCenterLine = 0;
  float liftOffset = 0;
  float lash = 0;
  float rockerRatio = 0;
  std::int16_t smoothing = 0;
};

struct LobeDataHeader {
  int version = 0;
  std::string notes;  // Windows-1252
  bool linearOnValve = false;
  std::int16_t shaftCount = 0;
  std::array<std::string, 4> shaftNames;  // Windows-1252, as stored
  double followerRadius = 0;
  double baseCircleRadius = 0;
  std::size_t headerLength = 0;
  std::size_t entrySize = 0;
  std::int16_t lobeCount = 0;
  std::int16_t slotCount = 0;
  std::vector<DirectoryEntry> directory;
};

// Where the reader takes its bytes from: the file on disk (only the parts it needs are read:
// a listing of many large files reads their first 10 kB) or a whole file in memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Size of the file, or nothing when it cannot be known.
  virtual std::optional<std::uint64_t> Size() = 0;
  // `count` bytes at `offset`; false when they cannot be read.
  virtual bool Read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& out) = 0;
};

// The file is opened once, and only when it is a regular file: a named pipe or a device is
// refused without waiting on it.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& path) : fd_(OpenRegularFile(path)) {}
  ~FileSource() override {
    if (fd_ >= 0) ::close(fd_);
  }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::optional<std::uint64_t> Size() override {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }
  bool Read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& out) override {
    if (fd_ < 0 || offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
      return false;
    }
    out.resize(count);
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n =
          ::pread(fd_, out.data() + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::optional<std::uint64_t> Size() override { return bytes_.size(); }
  bool Read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& out) override {
    if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
    const auto part = bytes_.subspan(static_cast<std::size_t>(offset), count);
    out.assign(part.begin(), part.end());
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// Reads the header (and, with `withDirectory`, the directory entries of lobes 1..count).
// Returns the error code.
LobeDataError ReadHeader(ByteSource& source, bool withDirectory, LobeDataHeader& h) {
  const std::optional<std::uint64_t> size = source.Size();
  if (!size) return LobeDataError::NotFound;
  if (*size == 0) return LobeDataError::EmptyFile;
  if (*size <= kShortestFile) return LobeDataError::NotLobeData;
  std::vector<std::uint8_t> buffer;
  const auto length =
      static_cast<std::size_t>(std::min<std::uint64_t>(*size, kLargestDirectoryEnd));
  if (!source.Read(0, length, buffer)) return LobeDataError::NotFound;
  const ByteReader r(buffer);

  const std::string signature = r.Raw(0, 7);
  if (signature != "C2data\x1E" && signature != "C2Data\x1E") return LobeDataError::NotLobeData;
  h.version = static_cast<int>(r.U8(7)) - 64;
  if (h.version < 2) return LobeDataError::NotLobeData;
  h.notes = r.Raw(kNotesOffset, kFileNotesLength);
  h.linearOnValve = r.I16(kLinearOnValveOffset) != 0;
  h.shaftCount = r.I16(kShaftCountOffset);
  for (std::size_t k = 0; k < h.shaftNames.size(); ++k) {
    h.shaftNames[k] = r.Raw(kShaftNamesOffset + k * kShaftNameLength, kShaftNameLength);
  }
  if (h.version == 2) {
    h.followerRadius = kVersion2FollowerRadius;
    h.baseCircleRadius = kVersion2BaseCircleRadius;
    h.headerLength = 1862;
  } else {
    h.headerLength = h.version <= 4 ? 1878 : 1910;
    if (r.size() < h.headerLength) return LobeDataError::NotLobeData;
    h.followerRadius = r.F64(kHeaderRadiiOffset);
    h.baseCircleRadius = r.F64(kHeaderRadiiOffset + 8);
  }
  h.lobeCount = r.I16(h.headerLength - 4);
  h.slotCount = r.I16(h.headerLength - 2);
  const int maxLobes = h.version >= 6 ? 280 : 96;
  if (h.lobeCount < 1 || h.lobeCount > maxLobes) return LobeDataError::NotLobeData;
  h.entrySize = h.version <= 3 ? 26 : 30;
  if (!withDirectory) return LobeDataError::Ok;

  // The directory of the largest file ends at 10310 bytes, so a directory that is not in the
  // buffer runs past the end of the file.
  h.directory.resize(static_cast<std::size_t>(h.lobeCount));
  for (std::size_t i = 0; i < h.directory.size(); ++i) {
    const std::size_t at = h.headerLength + i * h.entrySize;
    if (!r.Has(at, h.entrySize)) return LobeDataError::NotLobeData;
    DirectoryEntry& e = h.directory[i];
    e.shaftNo = r.I16(at);
    e.lobeNo = r.I16(at + 2);
    e.liftOffset = r.F32(at + 8);
    e.lash = r.F32(at + 12);
    e.rockerRatio = r.F32(at + 16);
    e.smoothing = r.I16(at + 24);
    e.camCenterLine = h.version >= 4 ? r.F32(at + 26) : 2 * r.F32(at + 4);
  }
  return LobeDataError::Ok;
}

// Reads lobe record `position` (1-based) into `lobe`. Returns the error code.
LobeDataError ReadRecord(ByteSource& source, const LobeDataHeader& h, std::size_t position,
                         CamLobe& lobe) {
  // The slot count comes from the file and may be anything: the position is worked out in a
  // wide signed type and checked against the file.
  const std::int64_t offset =
      static_cast<std::int64_t>(h.headerLength) +
      static_cast<std::int64_t>(h.slotCount) * static_cast<std::int64_t>(h.entrySize) +
      static_cast<std::int64_t>(position - 1) * static_cast<std::int64_t>(kRecordLength);
  std::vector<std::uint8_t> record;
  if (offset < 0 || !source.Read(static_cast<std::uint64_t>(offset), kRecordLength, record)) {
    return LobeDataError::NotLobeData;
  }
  const ByteReader r(record);

  BoundedArray<float> lift(-180, 180);
  for (int i = -180; i <= 179; ++i) lift[i] = r.F32(4 * static_cast<std::size_t>(i + 180));
  lift[180] = lift[-180];
  lobe.SetRawLift(lift);

  ValveTrainGeometry& g = lobe.Geometry();
  if (h.version <= 5) {
    g.FollowerRadius = static_cast<float>(h.followerRadius);
    g.BaseCircleRadius = static_cast<float>(h.baseCircleRadius);
    lobe.SetFollowerMode(0);
  } else {
    const std::int32_t n = r.I32(1440);
    if (n > 0) {
      g.FollowerRadius = r.F32(1444);
      g.BaseCircleRadius = r.F32(1448);
      lobe.SetFollowerMode(r.I32(1452));
      g.EngineFollowerRadius = r.F32(1456);
      g.RockerRollerRadius = r.F32(1460);
      g.PivotDistance = r.F32(1464);
      g.RockerCamArm = r.F32(1468);
      g.ValveTriangleA = r.F32(1472);
      g.RockerValveArm = r.F32(1476);
      g.ValveTriangleC = r.F32(1480);
      g.RockerDirection = r.I16(1484) != 0 ? kTrue16 : 0;
      g.AngleFlag = r.I16(1486) != 0 ? kTrue16 : 0;
      g.GeometryAngle = r.F32(1488);
      lobe.SetCenterlineMethod(n >= 2 ? r.I16(1492) : 0);
    }
  }
  if (h.version >= 8) lobe.SetAngleOffset(r.F32(2876));
  return LobeDataError::Ok;
}

LobeDataError ReadLobe(ByteSource& source, const std::string& pathFile, std::int16_t iSNo,
                       std::int16_t iLNo, bool headerOnly, CamLobe& lobe) {
  LobeDataHeader h;
  if (const LobeDataError err = ReadHeader(source, !headerOnly, h); err != LobeDataError::Ok)
    return err;
  if (headerOnly) {
    lobe.SetNotesFieldBytes(h.notes);
    return LobeDataError::Ok;
  }
  const auto found =
      std::find_if(h.directory.begin(), h.directory.end(),
                   [&](const DirectoryEntry& e) { return e.shaftNo == iSNo && e.lobeNo == iLNo; });
  if (found == h.directory.end()) return LobeDataError::NotFound;
  const DirectoryEntry& e = *found;
  lobe.SetNotesFieldBytes(h.notes);
  lobe.SetShaftNo(e.shaftNo);
  lobe.SetLobeNo(e.lobeNo);
  lobe.SetLiftOffset(e.liftOffset);
  lobe.SetLash(e.lash);
  lobe.SetRockerRatio(e.rockerRatio);
  lobe.SetSmoothing(e.smoothing);
  lobe.SetCamCenterLine(e.camCenterLine);
  lobe.SetLinearOnValve(h.linearOnValve);
  lobe.SetAngleOffset(0);
  const auto position = static_cast<std::size_t>(found - h.directory.begin()) + 1;
  if (const LobeDataError err = ReadRecord(source, h, position, lobe); err != LobeDataError::Ok)
    return err;
  lobe.SetPathFile(pathFile);
  lobe.SetShaftNo(iSNo);
  lobe.SetLobeNo(iLNo);
  return LobeDataError::Ok;
}

// Reads into a copy of the lobe, which replaces the lobe only when everything succeeded.
LobeDataError ReadIntoLobe(ByteSource& source, const std::string& pathFile, std::int16_t iSNo,
                           std::int16_t iLNo, LobeDataPart part, std::string* report,
                           CamLobe& lobe) {
  ETracker guard(kLobeDataFileModule, "C2DataRead");
  const bool headerOnly = part == LobeDataPart::HeaderOnly;
  CamLobe loaded = lobe;
  LobeDataError code;
  try {
    code = ReadLobe(source, pathFile, iSNo, iLNo, headerOnly, loaded);
  } catch (const ByteRangeError&) {
    // Every field is checked against the bytes read before it is decoded; a read past them or
    // a value the lobe cannot hold that still gets through is a file this reader cannot use.
    code = LobeDataError::NotLobeData;
  } catch (const RuntimeError&) {
    code = LobeDataError::NotLobeData;
  }
  if (code == LobeDataError::Ok && !headerOnly) {
    try {
      loaded.DataCalc();
    } catch (const RuntimeError&) {
      // The geometry gives no position, or a floating-point fault: reported with its trace.
      std::string message = EStackTrace::Instance().ReportCurrentException(guard);
      if (report != nullptr) *report = std::move(message);
      code = LobeDataError::ConversionFailed;
    }
  }
  if (code == LobeDataError::Ok) lobe = std::move(loaded);
  return code;
}

// The sort key of a lobe: shaft number, "I" or "e", number on the shaft, and a blank or the
// suffix letter; nothing when the lobe cannot be listed.
std::optional<std::string> SortKey(const DirectoryEntry& e) {
  if (e.shaftNo < 0 || e.shaftNo > 255) return std::nullopt;
  const int magnitude = std::abs(static_cast<int>(e.lobeNo));
  const int hundreds = magnitude / 100;
  if (hundreds > 3) return std::nullopt;
  std::string key;
  key += static_cast<char>(e.shaftNo);
  key += e.lobeNo > 0 ? 'I' : 'e';
  key += static_cast<char>(magnitude % 100);
  key += hundreds >= 1 ? static_cast<char>(hundreds + 96) : ' ';
  return key;
}

bool ListLobes(ByteSource& source, std::vector<std::string>& texts,
               std::vector<std::int16_t>& shafts) {
  LobeDataHeader h;
  if (ReadHeader(source, true, h) != LobeDataError::Ok || h.lobeCount == 0) return false;
  const bool manyShafts = h.shaftCount >= 2;
  std::vector<std::string> keys;
  for (const DirectoryEntry& e : h.directory) {
    if (manyShafts && (e.shaftNo < 1 || e.shaftNo > 4)) return false;
    if (e.lobeNo == 0) continue;
    const std::optional<std::string> key = SortKey(e);
    if (!key) return false;
    keys.push_back(*key);
  }
  // By character code: shaft, then intake ("I") before exhaust ("e"), then number and suffix.
  // Stable, as the bubble sort of the measuring software is.
  std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  });
  for (const std::string& key : keys) {
    const int shaft = static_cast<unsigned char>(key[0]);
    std::string text = "  ";
    text += AsciiUpper(key[1]);
    text += FormatPattern(static_cast<unsigned char>(key[2]), "##");
    text += key[3];
    if (manyShafts) {
      std::string name = Cp1252ToUtf8(h.shaftNames[static_cast<std::size_t>(shaft - 1)]);
      CamLobe::QPTrim(name);
      text += " : ";
      text += name.empty() ? "Shaft No. " + std::to_string(shaft) : name;
    }
    texts.push_back(std::move(text));
    shafts.push_back(static_cast<std::int16_t>(shaft));
  }
  return true;
}

LobeDataError DescribeLobes(ByteSource& source, std::vector<std::string>& texts,
                            std::vector<std::int16_t>& shafts) {
  ETracker guard(kLobeDataFileModule, "C2DataDescriptionRead");
  texts.clear();
  shafts.clear();
  bool ok = false;
  try {
    ok = ListLobes(source, texts, shafts);
  } catch (const ByteRangeError&) {
    ok = false;
  } catch (const RuntimeError&) {
    ok = false;
  }
  if (!ok) {
    texts.clear();
    shafts.clear();
  }
  return ok ? LobeDataError::Ok : LobeDataError::NotFound;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, LobeDataError error) {
  return out << static_cast<int>(error);
}

std::string LobeDataErrorText(LobeDataError code) {
  switch (code) {
    case LobeDataError::Ok:
      return "no error";
    case LobeDataError::NotFound:
      return "the lobe is not in the file, or the file cannot be read";
    case LobeDataError::EmptyFile:
      return "the file is empty";
    case LobeDataError::NotLobeData:
      return "not a lobe data file, or the file is cut short";
    case LobeDataError::ConversionFailed:
      return "the lobe's valve-train geometry cannot be worked out";
  }
  return "unknown error";
}

LobeDataError CamLobe::ReadLobeDataFile(const std::string& path, std::int16_t shaftNo,
                                        std::int16_t lobeNo, LobeDataPart part,
                                        std::string* report) {
  FileSource source(path);
  return ReadIntoLobe(source, path, shaftNo, lobeNo, part, report, *this);
}

LobeDataError CamLobe::ReadLobeDataBytes(std::span<const std::uint8_t> bytes,
                                         const std::string& path, std::int16_t shaftNo,
                                         std::int16_t lobeNo, LobeDataPart part,
                                         std::string* report) {
  MemorySource source(bytes);
  return ReadIntoLobe(source, path, shaftNo, lobeNo, part, report, *this);
}

LobeDataError CamLobe::ReadLobeList(const std::string& path, std::vector<std::string>& texts,
                                    std::vector<std::int16_t>& shafts) {
  FileSource source(path);
  return DescribeLobes(source, texts, shafts);
}

LobeDataError CamLobe::ReadLobeListBytes(std::span<const std::uint8_t> bytes,
                                         std::vector<std::string>& texts,
                                         std::vector<std::int16_t>& shafts) {
  MemorySource source(bytes);
  return DescribeLobes(source, texts, shafts);
}

}  // namespace orv
