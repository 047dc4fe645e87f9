#include "platform/sqlite2/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/sqlite2/btree_builder.h"
#include "platform/sqlite2/sqlite.h"

namespace salvoran::sqlite2 {
namespace {

constexpr ByteOrder kOrder{false};

void WriteHeader(FileBuilder& file, const Database& db) {
  uint8_t* page = file.Page(1);
  std::memset(page, 0, kPageSize);
  std::memcpy(page, kSignature.data(), kSignature.size());
  kOrder.PutU32(page + kMagicOffset, kMagic);
  kOrder.PutU32(page + kFreeListHeadOffset, 0);
  kOrder.PutU32(page + kFreePageCountOffset, 0);
  kOrder.PutU32(page + kSchemaCookieOffset, static_cast<uint32_t>(db.schemaCookie));
  kOrder.PutU32(page + kFileFormatOffset, static_cast<uint32_t>(kFileFormat));
  std::memcpy(page + kMetaTailOffset, db.metaTail.data(), kMetaTailSize);
}

// Table entries keyed by rowid; the 4-byte keys live in keyBytes.
std::vector<BtreeEntry> RowEntries(const std::map<int32_t, std::string>& rows, std::string& keyBytes) {
  keyBytes.assign(rows.size() * 4, '\0');
  std::vector<BtreeEntry> entries;
  entries.reserve(rows.size());
  size_t at = 0;
  for (const auto& [rowid, record] : rows) {
    PutRowidKey(reinterpret_cast<uint8_t*>(keyBytes.data()) + at, rowid);
    entries.push_back(BtreeEntry{std::string_view(keyBytes).substr(at, 4), record});
    at += 4;
  }
  return entries;
}

// Writes the object's tree, if it has one; returns its root page or 0.
uint32_t WriteObjectTree(FileBuilder& file, const SchemaObject& object) {
  std::vector<BtreeEntry> entries;
  std::string keyBytes;
  switch (object.kind) {
    case ObjectKind::Table:
      entries = RowEntries(object.rows, keyBytes);
      break;
    case ObjectKind::Index:
      entries.reserve(object.keys.size());
      for (const std::string& key : object.keys) entries.push_back(BtreeEntry{key, {}});
      break;
    case ObjectKind::Unparsed:
      if (!object.hasTree) return 0;
      entries.reserve(object.entries.size());
      for (const auto& [key, data] : object.entries) entries.push_back(BtreeEntry{key, data});
      break;
    case ObjectKind::View:
    case ObjectKind::Trigger:
      return 0;
  }
  const uint32_t root = file.AppendPages(1);
  WriteBtree(file, root, entries);
  return root;
}

// The sqlite_master record of an object whose tree (if any) is at root.
std::string MasterRecord(const SchemaObject& object, uint32_t root) {
  const std::string rootText = std::to_string(root);
  if (object.kind == ObjectKind::Unparsed) {
    std::vector<FieldView> fields(object.masterFields.begin(), object.masterFields.end());
    if (object.hasTree && fields.size() > 3) fields[3] = rootText;
    return EncodeRecord(fields);
  }
  return EncodeRecord({object.type, object.name, object.tableName, FieldView(rootText), object.sql});
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes, int& error) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    written += static_cast<size_t>(n);
  }
  return true;
}

int WriteFailure(int error, std::string& message) {
  const int code = error == ENOSPC || error == EDQUOT ? SQLITE_FULL : SQLITE_IOERR;
  message = sqlite_error_string(code);
  return code;
}

// Rewrites the file where it is, for a folder in which no new file can be
// made.
int RewriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes, std::string& message) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return WriteFailure(errno, message);
  int error = 0;
  const bool ok = WriteAll(fd, bytes, error);
  if (::close(fd) != 0 && ok) error = errno;
  if (!ok || error != 0) return WriteFailure(error, message);
  return SQLITE_OK;
}

}  // namespace

std::vector<uint8_t> BuildDatabaseFile(const Database& db) {
  FileBuilder file;
  std::vector<std::string> records;
  records.reserve(db.objects.size());
  for (const SchemaObject& object : db.objects) {
    records.push_back(MasterRecord(object, WriteObjectTree(file, object)));
  }
  std::string keyBytes(db.objects.size() * 4, '\0');
  std::vector<BtreeEntry> master;
  master.reserve(db.objects.size());
  for (size_t i = 0; i < db.objects.size(); ++i) {
    PutRowidKey(reinterpret_cast<uint8_t*>(keyBytes.data()) + 4 * i, db.objects[i].masterRowid);
    master.push_back(BtreeEntry{std::string_view(keyBytes).substr(4 * i, 4), records[i]});
  }
  WriteBtree(file, kMasterRootPage, master);
  WriteHeader(file, db);
  return std::move(file.Bytes());
}

void RemoveStaleJournal(const std::string& path) { ::unlink((path + "-journal").c_str()); }

int SaveDatabaseFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& message) {
  RemoveStaleJournal(path);
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return RewriteInPlace(path, bytes, message);
  // The new file takes the permissions of the one it replaces.
  struct stat existing {};
  ::fchmod(fd, ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644);
  int error = 0;
  bool ok = WriteAll(fd, bytes, error);
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    return WriteFailure(error, message);
  }
  return SQLITE_OK;
}

}  // namespace salvoran::sqlite2
