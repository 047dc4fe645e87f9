// Takes the program's screenshots: opens a database through the
// file-settings dialog, previews its first table and saves PNG pictures of
// the main window, the file-settings dialog and the saving-mode dialog.
//   salvoran_screenshots DATABASE OUTPUT_FOLDER
// Message boxes are answered OK; nothing is saved.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "app/file_setting_dlg.h"
#include "app/main_frame.h"
#include "app/saving_mode_dlg.h"

namespace {

bool Grab(QWidget& widget, const QString& path) {
  QCoreApplication::processEvents();
  bool ok = widget.grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace salvoran;
  using namespace salvoran::app;
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DATABASE OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const QString database = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  const QDir out(QString::fromLocal8Bit(argv[2]));
  QDir().mkpath(out.path());
  bool ok = true;

  FrameOptions options;
  options.logFolder = QDir::temp().filePath("salvoran-screenshots-log");
  options.showMaximized = false;
  options.answerHook = [](const MessageRequest&) { return MessageAnswer::Ok; };
  options.runFileDialog = [&](CCorvaneFileSettingDlg& dialog) {
    dialog.show();
    dialog.BrowseTo(database);
    ok &= Grab(dialog, out.filePath("file-settings-dialog.png"));
    dialog.accept();
    return true;
  };
  options.runSavingDialog = [&](CSavingModeDlg& dialog) {
    dialog.show();
    ok &= Grab(dialog, out.filePath("saving-mode-dialog.png"));
    return false;
  };
  CMainFrame frame(options);
  frame.resize(1280, 800);
  frame.show();
  QCoreApplication::processEvents();

  frame.OnOpen();
  frame.WaitForWorker();
  ObjectTree& tree = frame.tree();
  std::vector<TreeItem> tables = tree.Children(frame.context().tablesNode);
  if (!tables.empty()) {
    tree.SetCheck(tables.front(), true);
    frame.OnPreviewRequest(tables.front());
    frame.WaitForWorker();
  }
  ok &= Grab(frame, out.filePath("main-window.png"));
  frame.OnSave();
  return ok ? 0 : 1;
}
