// Helpers for the desktop program's tests: databases made with the real
// SQLite library and a frame whose message boxes and dialogs are answered
// by the test.
#ifndef SALVORAN_APP_TESTS_SUPPORT_APP_TEST_SUPPORT_H_
#define SALVORAN_APP_TESTS_SUPPORT_APP_TEST_SUPPORT_H_

#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "recovery/owner_frame.h"

namespace salvoran::app::testing {

using Rows = std::vector<std::vector<std::string>>;

// Creates a database at path and runs the statements in one transaction;
// false (with the library's message in *error) when one fails.
bool MakeDatabase(const std::string& path, const std::vector<std::string>& statements,
                  std::string* error = nullptr, int pageSize = 4096, const char* encoding = "UTF-8");
// Every row of a query, each value in the text form the grid shows (NULL,
// integers, shortest round-trip reals, text; blobs as x'..').
Rows Query(const std::string& path, const std::string& sql);

// The object's name in an item text as the scan makes it: the first word,
// without the blanks around it (" t1" gives "t1", "ix ON t" gives "ix").
std::string NameOf(const std::string& itemText);

// A main frame for tests: log file in a scratch folder, not maximised,
// every message recorded and answered from a script (OK boxes are answered
// OK; a Yes/No question takes the next scripted answer, No when none is
// left), the file-settings dialog browsing to `openPath`, the saving-mode
// dialog choosing `saveName`, URLs and the exit recorded.
class TestFrame {
 public:
  TestFrame();
  ~TestFrame();

  CMainFrame& frame() { return *frame_; }
  QString logFolder() const { return folder_.path(); }

  // Opens path through the dialog and waits for the scan.
  void Open(const std::string& path);
  // Runs the preview of item as a click on its name would, and waits.
  void Preview(TreeItem item);
  // Saves everything checked to folder/name and waits.
  void Save(const std::string& folder, const std::string& name);
  void WaitIdle() { frame_->WaitForWorker(); }

  // The item whose text is text, or whose NameOf is text.
  TreeItem FindItem(const std::string& text) const;

  std::deque<MessageAnswer> answers;
  std::vector<MessageRequest> messages;
  std::vector<QUrl> openedUrls;
  std::vector<int> exitCodes;
  std::string openPath;
  std::string saveFolder;
  std::string saveName;
  bool lastSaveDialogAccepted = false;

  std::vector<std::string> MessageTexts() const;
  bool Shown(const std::string& text) const;
  std::vector<std::string> LogListLines() const;

 private:
  QTemporaryDir folder_;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace salvoran::app::testing

#endif  // SALVORAN_APP_TESTS_SUPPORT_APP_TEST_SUPPORT_H_
