// The Open command without its dialog, and the scan worker.
//
// BeginRecovery resets the previous recovery and copies the detected file
// settings into the context (the part of Open that runs on the user-interface
// thread). RunScanWorker is the worker: it opens a reader, builds the object
// tree's skeleton, creates the parser for the format and scans. The desktop
// program runs it on a thread; the command line and the tests call it
// directly.
#ifndef SALVORAN_RECOVERY_OPEN_RECOVERY_H_
#define SALVORAN_RECOVERY_OPEN_RECOVERY_H_

#include <functional>
#include <memory>

#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"
#include "recovery/sqlite_base.h"

namespace salvoran {

// Creates the parser for formatVersion (1 SQLite 2, 2 SQLite 3), or nullptr.
using ParserFactory = std::function<std::unique_ptr<sqlite_base>(int32_t formatVersion)>;

enum class ScanOutcome {
  Complete,         // the scan ran to its end
  EndedWithErrors,  // the scan stopped early; what it found is listed
  NotScanned,       // no reader, no page size or no parser for the format
};

// Sets `running`; the worker clears it.
void BeginRecovery(RecoveryContext& context, OwnerFrame& frame, const FileSettings& settings);

ScanOutcome RunScanWorker(RecoveryContext& context, OwnerFrame& frame, const ParserFactory& makeParser);

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_OPEN_RECOVERY_H_
