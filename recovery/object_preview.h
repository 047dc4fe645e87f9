// Showing what the user clicked in the object tree: the rows of a table in
// the record grid, or the statement of an index, view or trigger in the SQL
// text box.
//
// StartObjectPreview runs on the user-interface thread: it refuses while
// another operation runs ("Please wait for the running process."), otherwise
// sets `running`, clears the grid and the text box, shows the caption and
// logs the start. ObjectPreviewWorker then does the work (on a worker thread
// in the desktop program) and clears `running` at its end.
#ifndef SALVORAN_RECOVERY_OBJECT_PREVIEW_H_
#define SALVORAN_RECOVERY_OBJECT_PREVIEW_H_

#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"

namespace salvoran {

// previewItem: the item whose preview was last started; restored as the
// selection when a click is refused.
bool StartObjectPreview(RecoveryContext& context, OwnerFrame& frame, TreeItem item, TreeItem* previewItem);

void ObjectPreviewWorker(RecoveryContext& context, OwnerFrame& frame);

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_OBJECT_PREVIEW_H_
