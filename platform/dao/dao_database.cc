#include "platform/dao/dao_database.h"

#include "platform/dao/jet_ddl.h"
#include "platform/dao/jet_text.h"

namespace salvoran {
namespace {

[[noreturn]] void Throw(const jet::JetError& error) { throw CDaoException(error.code, error.description); }

}  // namespace

CDaoDatabase::~CDaoDatabase() {
  if (engine_) (void)engine_->Close();
}

void CDaoDatabase::Create(const std::string& path, uint32_t maxPages) {
  if (engine_) {
    Throw({jet::errors::kDatabaseExists, "The database object is already open on '" + path_ + "'; close it first."});
  }
  jet::JetError error;
  engine_ = jet::Database::Create(path, error, maxPages);
  if (!engine_) Throw(error);
  path_ = path;
  ++generation_;
}

void CDaoDatabase::Execute(const std::string& sql, int /*options*/) {
  if (!engine_) Throw({jet::errors::kObjectClosed, "Object invalid or no longer set. The database is not open."});
  jet::NewTable request;
  if (jet::JetStatus error = jet::ParseCreateTable(jet::Utf8ToUtf16(sql), request)) Throw(*error);
  if (jet::JetStatus error = engine_->CreateTable(request)) Throw(*error);
}

bool CDaoDatabase::IsOpen() const { return engine_ != nullptr; }

void CDaoDatabase::Close() {
  if (!engine_) return;
  ++generation_;
  jet::JetStatus error = engine_->Close();
  engine_.reset();
  if (error) Throw(*error);
}

std::optional<std::string> CDaoDatabase::StandInName(const std::string& tableName) const {
  if (!engine_) return std::nullopt;
  const std::optional<std::u16string> standIn = engine_->StandInNameFor(jet::Utf8ToUtf16(tableName));
  if (!standIn) return std::nullopt;
  return jet::Utf16ToUtf8(*standIn);
}

bool CDaoDatabase::NeedsStandInName(const std::string& tableName) {
  return !jet::IsCatalogSortableName(jet::Utf8ToUtf16(tableName));
}

}  // namespace salvoran
