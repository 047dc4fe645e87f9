// The state of one recovery: the file, where the database lies in it, the
// reader, the parser, and the flags the commands and workers share.
//
// One RecoveryContext lives for the whole program; ResetRecovery empties it
// before the next file is opened. `running` and `stopRequested` are atomic
// because the user interface sets them while a worker reads them; everything
// else is touched by one worker at a time, which `running` guarantees.
#ifndef SALVORAN_RECOVERY_RECOVERY_CONTEXT_H_
#define SALVORAN_RECOVERY_RECOVERY_CONTEXT_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "recovery/object_tree.h"
#include "recovery/reader.h"
#include "recovery/row_sink.h"
#include "recovery/save_report.h"
#include "recovery/value.h"

namespace salvoran {

class sqlite_base;
class AccessOutput;  // writers/access_output.h

// What the file-settings dialog detected for the chosen file.
struct FileSettings {
  std::string path;
  uint64_t startOffset = 0;
  int32_t formatVersion = 0;  // 0 not detected, 1 SQLite 2.x, 2 SQLite 3.x
  uint64_t pageSize = 0;
  bool utf8 = false;
  bool utf16 = false;
  bool bigEndianText = false;  // with utf16: the file stores UTF-16 big-endian
};

constexpr int32_t kFormatNone = 0;
constexpr int32_t kFormatSqlite2 = 1;
constexpr int32_t kFormatSqlite3 = 2;

enum class LoadMode { Preview, Insert };

struct RecoveryContext {
  RecoveryContext();
  ~RecoveryContext();
  RecoveryContext(const RecoveryContext&) = delete;
  RecoveryContext& operator=(const RecoveryContext&) = delete;

  std::string inputPath;
  uint64_t startOffset = 0;
  int32_t formatVersion = kFormatNone;
  uint64_t pageSize = 0;
  uint64_t pageCount = 0;
  FileSettings settings;  // as the dialog detected them for this file

  std::unique_ptr<Reader> reader;
  std::unique_ptr<sqlite_base> parser;

  std::atomic<bool> stopRequested{false};
  std::atomic<bool> running{false};

  TreeItem rootNode = kNoItem;
  TreeItem tablesNode = kNoItem;
  TreeItem indexesNode = kNoItem;
  TreeItem viewsNode = kNoItem;
  TreeItem triggersNode = kNoItem;

  uint64_t progressPosition = 0;
  bool suppressGrid = false;
  bool sqlite2Output = false;
  bool accessOutput = false;
  uint64_t insertedRows = 0;
  LoadMode loadMode = LoadMode::Preview;

  // The output of the table being written during a save (insert mode).
  RowSink* rowSink = nullptr;

  // The Access database of a save with accessOutput set; owned by the set-up
  // of that save (SaveToAccess), null otherwise.
  AccessOutput* access = nullptr;

  // What the last save wrote.
  SaveReport saveReport;

  // Where a save writes; empty means MakeRepairedPath(inputPath).
  std::string outputPath;

  std::string OutputPath() const;
  TextEncoding Encoding() const;
};

// Frees the previous recovery: parser with its catalog, reader, tree handles.
void ResetRecovery(RecoveryContext& context);

// "Repaired_" inserted after the last "/" of path (in front when it has none).
std::string MakeRepairedPath(const std::string& path);

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_RECOVERY_CONTEXT_H_
