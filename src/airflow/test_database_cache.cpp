#include "airflow/test_database_cache.h"

#include <system_error>

namespace orv {

TestDatabaseCache::TestDatabaseCache(JetReaderOptions reader, ShortDateFormat dates,
                                     DiskCacheOptions diskCache)
    : reader_(std::move(reader)), dates_(dates), diskCache_(std::move(diskCache)) {}

TestDatabaseCache::~TestDatabaseCache() = default;
TestDatabaseCache::TestDatabaseCache(TestDatabaseCache&&) noexcept = default;
TestDatabaseCache& TestDatabaseCache::operator=(TestDatabaseCache&&) noexcept = default;

void TestDatabaseCache::SetReader(JetReaderOptions reader) {
  Close();
  reader_ = std::move(reader);
}

void TestDatabaseCache::SetDateFormat(const ShortDateFormat& dates) {
  dates_ = dates;
  for (Entry& e : open_) e.db->SetDateFormat(dates);
}

void TestDatabaseCache::SetDiskCache(DiskCacheOptions diskCache) {
  diskCache_ = std::move(diskCache);
}

std::filesystem::path TestDatabaseCache::KeyOf(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::path key = std::filesystem::weakly_canonical(file, ec);
  if (ec) key = std::filesystem::absolute(file, ec).lexically_normal();
  if (ec) key = file.lexically_normal();
  return key;
}

TestDatabase& TestDatabaseCache::Open(const std::filesystem::path& file) {
  const std::filesystem::path key = KeyOf(file);
  for (std::size_t i = 0; i < open_.size(); ++i) {
    if (open_[i].key != key) continue;
    if (!open_[i].db->FileUnchanged()) {
      open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
    // Most recently used first.
    Entry entry = std::move(open_[i]);
    open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(i));
    open_.insert(open_.begin(), std::move(entry));
    return *open_.front().db;
  }
  auto db = std::make_unique<TestDatabase>(file, reader_, dates_, diskCache_);
  if (open_.size() >= kKept) open_.pop_back();
  open_.insert(open_.begin(), Entry{key, std::move(db)});
  return *open_.front().db;
}

bool TestDatabaseCache::IsOpen(const std::filesystem::path& file) const {
  const std::filesystem::path key = KeyOf(file);
  for (const Entry& e : open_) {
    if (e.key == key) return e.db->FileUnchanged();
  }
  return false;
}

void TestDatabaseCache::Close() noexcept { open_.clear(); }

}  // namespace orv
