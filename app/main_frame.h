// CMainFrame: the main window. It owns the recovery context, the core's
// object tree and record grid, the log file and the one worker thread, lays
// out the ribbon, the caption bar, the two panes, the content window and the
// status bar, and carries out the six commands with their guards.
//
// One worker runs at a time (scan, preview or save). `running` is set while
// it works; Stop clears it at once and asks the worker to stop, so a worker
// may still be finishing while the commands are available again: every
// command that starts a worker or resets the context first waits for it,
// processing events meanwhile so that the worker's calls on the frame are
// still carried out.
#ifndef SALVORAN_APP_MAIN_FRAME_H_
#define SALVORAN_APP_MAIN_FRAME_H_

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTableView>
#include <QThread>
#include <QUrl>
#include <functional>
#include <memory>

#include "app/object_tree_model.h"
#include "app/object_tree_view.h"
#include "app/qt_owner_frame.h"
#include "app/record_grid_model.h"
#include "app/ribbon_bar.h"
#include "recovery/log_file.h"
#include "recovery/open_recovery.h"
#include "recovery/recovery_context.h"

namespace salvoran::app {

class CCorvaneFileSettingDlg;
class CSavingModeDlg;
class CCorvaneAboutDlg;

inline constexpr const char* kMsgConfirmStop = "Are you sure to stop the running process?";
inline constexpr const char* kMsgStopToContinue = "Please stop the running process to continue the process.";
inline constexpr const char* kMsgStopToClose = "Please stop the running process to close the application.";
inline constexpr const char* kMsgConfirmClose = "Do you want to close the application?";
inline constexpr const char* kMsgOpenFirst = "Please open a database file first.";
inline constexpr const char* kMsgMappingNotAvailable =
    "Column mapping is used by the Access (MDB) output, which is not available yet.";
inline constexpr const char* kMsgManualMissing = "The user manual cannot be found: ";
inline constexpr const char* kMsgSaved = "The recovered data has been saved in ";
inline constexpr const char* kMsgSaveFailed = "The recovered data could not be saved in ";
inline constexpr const char* kMsgSaveStopped = "The saving process was stopped. Saved so far in ";
inline constexpr const char* kStartCaption = "Select database file to continue the recovery process.";
inline constexpr const char* kManualFileName = "salvoran-manual.pdf";

// What the program normally does itself; the tests replace these so that
// nothing waits for a human or leaves the process.
struct FrameOptions {
  QString logFolder;                          // empty: the desktop folder
  ParserFactory parserFactory;                // empty: the program's parsers
  AnswerHook answerHook;                      // empty: real message boxes
  std::function<bool(CCorvaneFileSettingDlg&)> runFileDialog;  // true for OK
  std::function<bool(CSavingModeDlg&)> runSavingDialog;
  std::function<void(CCorvaneAboutDlg&)> runAboutDialog;
  std::function<bool(const QUrl&)> openUrl;   // empty: the desktop's handler
  std::function<void(int)> exitProcess;       // empty: leave the event loop
  QString manualPath;                         // empty: ManualPath()
  bool showMaximized = true;
};

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(FrameOptions options = {}, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // The commands.
  void OnOpen();
  void OnStop();
  void OnMapColumn();
  void OnSave();
  void OnHelp();
  void OnAbout();
  void ApplyLook(int id);
  // The close request; the window's close button comes here too.
  void RequestClose();
  // A click on an object's name.
  void OnPreviewRequest(TreeItem item);

  // Waits, processing events, until the worker (if any) has ended. False
  // when another wait is already in progress.
  bool WaitForWorker();
  bool WorkerAlive() const;

  // What the owner frame carries out on the user-interface thread.
  void InsertLogLine(const QString& text);
  void SetProgressRange(int64_t upper);
  void SetProgressPosition(int64_t position);
  void ShowProgressBar(bool visible);
  void SetCaptionText(const QString& text);
  void SetSqlText(const QString& text);
  void ShowGrid(bool grid);
  void UpdateCommandStates();

  RecoveryContext& context() { return context_; }
  QtOwnerFrame& owner() { return owner_; }
  LogFile& logFile() { return logFile_; }
  ObjectTree& tree() { return tree_; }
  RecordGrid& grid() { return grid_; }
  CXHtmlTree* treeView() const { return treeView_; }
  QTableView* gridView() const { return gridView_; }
  RecordGridModel* gridModel() const { return gridModel_.get(); }
  QPlainTextEdit* sqlTextBox() const { return sqlText_; }
  QListWidget* logList() const { return logList_; }
  QLabel* captionBar() const { return captionBar_; }
  QProgressBar* progressBar() const { return progress_; }
  QStackedWidget* contentWindow() const { return content_; }
  RibbonBar* ribbon() const { return ribbon_; }
  QAction* openAction() const { return open_; }
  QAction* stopAction() const { return stop_; }
  QAction* mapColumnAction() const { return mapColumn_; }
  QAction* saveAction() const { return save_; }
  QAction* helpAction() const { return help_; }
  QAction* aboutAction() const { return about_; }
  int currentLook() const { return look_; }
  // Where Help finds the manual; empty when it is nowhere.
  static QString ManualPath();
  // The desktop folder the log file goes to.
  static QString DesktopFolder();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateRibbon();
  void CreateStatusBar();
  void CreatePanes();
  void CreateContent();
  void OpenLogFile();
  void StartWorker(std::function<void()> work);
  void SaveWorker();
  bool RefuseWhileRunning(const char* message);
  bool OpenUrl(const QUrl& url);

  FrameOptions options_;
  ParserFactory parserFactory_;
  RecoveryContext context_;
  ObjectTree tree_;
  RecordGrid grid_;
  LogFile logFile_;
  QtOwnerFrame owner_;
  std::unique_ptr<ObjectTreeModel> treeModel_;
  std::unique_ptr<RecordGridModel> gridModel_;

  RibbonBar* ribbon_ = nullptr;
  QLabel* captionBar_ = nullptr;
  CXHtmlTree* treeView_ = nullptr;
  QListWidget* logList_ = nullptr;
  QStackedWidget* content_ = nullptr;
  QTableView* gridView_ = nullptr;
  QPlainTextEdit* sqlText_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QAction* open_ = nullptr;
  QAction* stop_ = nullptr;
  QAction* mapColumn_ = nullptr;
  QAction* save_ = nullptr;
  QAction* help_ = nullptr;
  QAction* about_ = nullptr;
  QActionGroup* looks_ = nullptr;
  QMenu* applicationMenu_ = nullptr;

  QThread* worker_ = nullptr;
  bool waiting_ = false;
  int logLineCount_ = 0;
  int look_ = 0;
  TreeItem previewItem_ = kNoItem;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_MAIN_FRAME_H_
