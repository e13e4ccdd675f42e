// A whole test database file read as the reader process reads it (airflow/jet_file_reader.h),
// mdbtools and our checks around it together: the file is opened, its catalog checked and
// listed, then the program's reads follow: the rows of test 1 from every table that has a
// whole-number "TestID" column (and "TblTest" by its "ID"), then every table whole with every
// column, long texts included. Any bytes must end in the tables read or in a refusal with a
// reason, never in a crash, a leak or a read outside the file's pages; and a read reported
// whole must have written streams the program parses whole, with at least the rows each
// table's definition holds.
//
// The read runs in this process with no time limit (the reader process has one, and a parent
// watch, which a fuzzer must not start); the work grows with the file's pages, so files of more
// than 16 Jet 4 pages are passed over.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "airflow/jet_file_reader.h"
#include "airflow/jet_table_stream.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"

namespace {

constexpr std::size_t kMaxBytes = 16 * 4096;

// The file the input is written to, in a folder of this process's own, removed at its end.
const std::filesystem::path& InputFile() {
  static const std::filesystem::path file = [] {
    char pattern[] = "/tmp/orvantis-fuzz-jet-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr) std::abort();
    static const std::filesystem::path made = folder;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
    });
    return made / "bench.mdb";
  }();
  return file;
}

void WriteInput(const std::uint8_t* data, std::size_t size) {
  // (Descriptors a read leaves open end here, once there are no more.)
  const int fd = ::open(InputFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t w = ::write(fd, data + done, size - done);
    if (w <= 0) std::abort();
    done += static_cast<std::size_t>(w);
  }
  ::close(fd);
}

bool IsWholeNumber(orv::JetColumnType type) {
  return type == orv::JetColumnType::Byte || type == orv::JetColumnType::Integer ||
         type == orv::JetColumnType::Long;
}

// The program's reads after the catalog: one test's rows, then every table whole.
class ProgramReads {
 public:
  explicit ProgramReads(std::ostringstream& out) : out_(out) {}

  std::optional<std::vector<orv::JetRowRequest>> Next(
      const std::vector<orv::JetTableInfo>& catalog) {
    catalog_ = catalog;
    TakeStream();
    std::vector<orv::JetRowRequest> request;
    if (step_ == 0) {
      for (std::size_t t = 0; t < catalog.size(); ++t) {
        const char* key = catalog[t].name == "TblTest" ? "ID" : "TestID";
        const auto& columns = catalog[t].columns;
        for (std::size_t c = 0; c < columns.size(); ++c) {
          if (columns[c].name != key || !IsWholeNumber(columns[c].type)) continue;
          request.push_back({static_cast<std::uint16_t>(t),
                             {},
                             true,
                             static_cast<std::uint16_t>(c),
                             {std::int64_t{1}}});
          break;
        }
      }
    } else if (step_ == 1) {
      for (std::size_t t = 0; t < catalog.size(); ++t) {
        request.push_back({static_cast<std::uint16_t>(t), {}, false, 0, {}});
      }
      wholeRead_ = request.size();
    } else {
      return std::nullopt;
    }
    ++step_;
    return request;
  }

  // Once the read is over: the streams of a read reported whole must parse whole, the catalog
  // listing every table the read was given, and the whole read holding at least the rows of
  // each table's definition.
  void CheckWholeRead() {
    TakeStream();
    if (streams_.empty()) std::abort();
    struct Counter final : orv::JetStreamSink {
      std::vector<orv::JetTableInfo> tables;
      std::vector<std::uint64_t> rows;
      void Table(const orv::JetTableInfo& t) override {
        tables.push_back(t);
        rows.push_back(0);
      }
      void Row(std::span<const orv::JetCell>) override { ++rows.back(); }
      void EndTable() override {}
    };
    for (std::size_t s = 0; s < streams_.size(); ++s) {
      Counter counter;
      try {
        orv::ParseJetStream(streams_[s], counter, "bench.mdb");
      } catch (const orv::RuntimeError&) {
        std::abort();
      }
      if (s == 0 && counter.tables.size() != catalog_.size()) std::abort();
      if (s == 2) {
        if (counter.tables.size() != wholeRead_) std::abort();
        for (std::size_t t = 0; t < counter.tables.size(); ++t) {
          if (counter.rows[t] < counter.tables[t].rowCount) std::abort();
        }
      }
    }
  }

 private:
  // The bytes written since the last stream ended: the next stream.
  void TakeStream() {
    std::string bytes = out_.str();
    if (bytes.size() > taken_) streams_.push_back(bytes.substr(taken_));
    taken_ = bytes.size();
  }

  std::ostringstream& out_;
  std::vector<std::string> streams_;
  std::size_t taken_ = 0;
  std::vector<orv::JetTableInfo> catalog_;
  std::size_t wholeRead_ = 0;
  int step_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxBytes) return 0;
  WriteInput(data, size);
  std::ostringstream out;
  std::ostringstream err;
  ProgramReads reads(out);
  const orv::JetReadStatus status = orv::ReadJetFileInProcess(
      InputFile(), [&](const auto& catalog) { return reads.Next(catalog); }, out, err);
  if (status == orv::JetReadStatus::Ok) reads.CheckWholeRead();
  // A refusal always gives its reason.
  if (status != orv::JetReadStatus::Ok && err.str().empty()) std::abort();
  orv::EStackTrace::Instance().Clear();
  return 0;
}
