// The parser interface through which the program drives the recovery of one
// database file, whatever its format, and the operations both parsers share.
//
// A parser is created per recovery by the scan worker. ScanDatabase fills
// the catalog and the object tree once; the preview, count and save
// operations only read the catalog afterwards. Parsing code never throws:
// what it cannot read it reports through the owner frame and goes on.
#ifndef SALVORAN_RECOVERY_SQLITE_BASE_H_
#define SALVORAN_RECOVERY_SQLITE_BASE_H_

#include <cstdint>
#include <string>

#include "recovery/catalog.h"
#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"

namespace salvoran {

class sqlite_base {
 public:
  virtual ~sqlite_base() = default;

  // Saves the checked objects; false when the user declined to replace an
  // existing output file or the output could not be written.
  virtual bool CreateRecoveredDatabase(const std::string& path);
  // Fills the catalog and the tree. True when the scan ran to its end; false
  // when it stopped on an error (what was found so far is still listed).
  virtual bool ScanDatabase(const std::string& path);
  // Walks the table's b-tree from rootPage and delivers every row to the
  // grid (and, in insert mode, to the output).
  virtual void LoadTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                                const std::string& tableName, int keyMarker);
  virtual int64_t CountSelectedRecords();
  virtual void ExportTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                                  const std::string& tableName, int keyMarker);
  virtual int64_t CountTableRecords(const std::string& path, int64_t page);

  // Shared helpers for the Access column types and names.
  static std::string NormalizeColumnType(const std::string& type);
  static bool IsAccessType(const std::string& type);
  static std::string SanitizeIdentifier(const std::string& name);

  void SetOwner(RecoveryContext* context, OwnerFrame* frame) {
    context_ = context;
    frame_ = frame;
  }
  RecoveryContext* context() const { return context_; }
  OwnerFrame* frame() const { return frame_; }

  RecoveredCatalog& catalog() { return catalog_; }
  const RecoveredCatalog& catalog() const { return catalog_; }

  // Copied from the file settings by the scan worker.
  bool utf8 = false;
  bool utf16 = false;
  bool bigEndianText = false;

  int64_t rowCountAccumulator = 0;
  int64_t previewProgress = 0;
  bool savingFlag = false;  // SQLite 2 parser: set while it saves

 protected:
  RecoveryContext* context_ = nullptr;
  OwnerFrame* frame_ = nullptr;
  RecoveredCatalog catalog_;
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_SQLITE_BASE_H_
