#include "app/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <ctime>

#include "app/about_dlg.h"
#include "app/application_look.h"
#include "app/file_setting_dlg.h"
#include "app/saving_mode_dlg.h"
#include "app/svg_icon.h"
#include "parsers/parser_factory.h"
#include "recovery/messages.h"
#include "recovery/object_preview.h"
#include "recovery/sqlite_base.h"

namespace salvoran::app {

namespace {

constexpr const char* kMakerAddress = "https://www.corvanetools.example/";
constexpr const char* kMakerAddressText = "www.corvanetools.example";

QFont ContentFont() {
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(16);
  return font;
}

int ClampToInt(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, 0, INT_MAX)); }

}  // namespace

CMainFrame::CMainFrame(FrameOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      parserFactory_(options_.parserFactory ? options_.parserFactory : ParserFactory(MakeParserForFormat)),
      owner_(*this, tree_, grid_) {
  owner_.SetAnswerHook(options_.answerHook);
  treeModel_ = std::make_unique<ObjectTreeModel>(tree_);
  gridModel_ = std::make_unique<RecordGridModel>(grid_);
  setWindowTitle(kAppTitle);
  setWindowIcon(SvgIcon(":/icons/salvoran.svg"));

  CreateActions();
  CreateRibbon();
  CreateStatusBar();
  CreateContent();
  CreatePanes();
  ApplyLook(StoredLook());
  SetCaptionText(kStartCaption);
  ShowProgressBar(false);
  UpdateCommandStates();

  // Stop follows the running flag, which the workers clear themselves.
  auto* poll = new QTimer(this);
  connect(poll, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
  poll->start(100);

  resize(1100, 720);
  if (options_.showMaximized) showMaximized();
  OpenLogFile();
}

CMainFrame::~CMainFrame() {
  context_.stopRequested = true;
  WaitForWorker();
  // The models go before the core tree and grid they observe.
  treeView_->setModel(nullptr);
  gridView_->setModel(nullptr);
  treeModel_.reset();
  gridModel_.reset();
  ResetRecovery(context_);
}

void CMainFrame::CreateActions() {
  auto make = [this](const char* label, const char* tip, const char* icon, void (CMainFrame::*slot)()) {
    auto* action = new QAction(SvgIcon(icon), label, this);
    action->setToolTip(tip);
    action->setStatusTip(tip);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  open_ = make("Open", "Open database file", ":/icons/open.svg", &CMainFrame::OnOpen);
  stop_ = make("Stop", "Stop running process", ":/icons/stop.svg", &CMainFrame::OnStop);
  mapColumn_ = make("Map Column", "Map Column", ":/icons/map-column.svg", &CMainFrame::OnMapColumn);
  save_ = make("Save", "Save recovered data", ":/icons/save.svg", &CMainFrame::OnSave);
  help_ = make("Help", "Help for CorvaneTools Salvoran", ":/icons/help.svg", &CMainFrame::OnHelp);
  about_ = make("About", "About CorvaneTools Salvoran", ":/icons/about.svg", &CMainFrame::OnAbout);
  open_->setShortcut(QKeySequence::Open);

  applicationMenu_ = new QMenu(this);
  applicationMenu_->addAction(open_);
  applicationMenu_->addAction(save_);
  QMenu* lookMenu = applicationMenu_->addMenu("Application Look");
  looks_ = new QActionGroup(this);
  for (const ApplicationLook& look : ApplicationLooks()) {
    QAction* action = lookMenu->addAction(look.name);
    action->setCheckable(true);
    action->setData(look.id);
    looks_->addAction(action);
    int id = look.id;
    connect(action, &QAction::triggered, this, [this, id] { ApplyLook(id); });
  }
  applicationMenu_->addSeparator();
  QAction* exit = applicationMenu_->addAction("Exit");
  connect(exit, &QAction::triggered, this, &CMainFrame::RequestClose);
}

void CMainFrame::CreateRibbon() {
  ribbon_ = new RibbonBar("Salvoran", applicationMenu_, this);
  ribbon_->AddPanel("Salvoran", {open_, stop_, mapColumn_, save_});
  ribbon_->AddPanel("Help", {help_, about_});
  setMenuWidget(ribbon_);
}

void CMainFrame::CreateStatusBar() {
  auto* link = new QLabel(QString("<a href=\"%1\">%2</a>").arg(kMakerAddress, kMakerAddressText), this);
  link->setObjectName("StatusLink");
  link->setTextFormat(Qt::RichText);
  link->setToolTip(kMakerAddress);
  connect(link, &QLabel::linkActivated, this, [this](const QString& url) { OpenUrl(QUrl(url)); });
  auto* separator = new QFrame(this);
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  progress_ = new QProgressBar(this);
  progress_->setTextVisible(false);
  progress_->setFixedHeight(17);
  progress_->setRange(0, 100);
  auto* titlePane = new QLabel(kAppTitle, this);
  titlePane->setObjectName("TitlePane");
  statusBar()->addWidget(link);
  statusBar()->addWidget(separator);
  statusBar()->addWidget(progress_, 1);
  statusBar()->addPermanentWidget(titlePane);
}

void CMainFrame::CreateContent() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  captionBar_ = new QLabel(central);
  captionBar_->setObjectName("CaptionBar");
  captionBar_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  captionBar_->setMargin(5);
  captionBar_->setTextFormat(Qt::PlainText);
  layout->addWidget(captionBar_);

  content_ = new QStackedWidget(central);
  content_->setObjectName("CCorvaneStatic");
  gridView_ = new QTableView(content_);
  gridView_->setModel(gridModel_.get());
  gridView_->setFont(ContentFont());
  gridView_->setShowGrid(true);
  gridView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  gridView_->setSelectionMode(QAbstractItemView::SingleSelection);
  gridView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  gridView_->setWordWrap(false);
  gridView_->verticalHeader()->hide();
  // Fixed row heights keep a million-row table as quick as a small one.
  gridView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  gridView_->verticalHeader()->setDefaultSectionSize(gridView_->fontMetrics().height() + 6);
  gridView_->horizontalHeader()->setDefaultSectionSize(120);
  gridView_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  gridView_->horizontalHeader()->setStretchLastSection(true);
  sqlText_ = new QPlainTextEdit(content_);
  sqlText_->setReadOnly(true);
  sqlText_->setFont(ContentFont());
  sqlText_->setLineWrapMode(QPlainTextEdit::NoWrap);
  content_->addWidget(gridView_);
  content_->addWidget(sqlText_);
  content_->setCurrentWidget(sqlText_);
  layout->addWidget(content_, 1);
  setCentralWidget(central);
}

void CMainFrame::CreatePanes() {
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
  auto makePane = [this](const char* title, const char* name) {
    auto* pane = new QDockWidget(title, this);
    pane->setObjectName(name);
    // Movable to any side, never floating, no close button.
    pane->setFeatures(QDockWidget::DockWidgetMovable);
    pane->setAllowedAreas(Qt::AllDockWidgetAreas);
    return pane;
  };
  QDockWidget* objects = makePane("SQLite Database Objects", "CFileView");
  treeView_ = new CXHtmlTree(*treeModel_, objects);
  objects->setWidget(treeView_);
  objects->setFocusProxy(treeView_);
  addDockWidget(Qt::LeftDockWidgetArea, objects);
  connect(treeView_, &CXHtmlTree::nameClicked, this, &CMainFrame::OnPreviewRequest, Qt::QueuedConnection);

  QDockWidget* output = makePane("Output", "COutputWnd");
  logList_ = new QListWidget(output);
  logList_->setObjectName("CCorvaneListCtrl");
  logList_->setSelectionMode(QAbstractItemView::SingleSelection);
  logList_->setContextMenuPolicy(Qt::PreventContextMenu);
  logList_->setUniformItemSizes(true);
  output->setWidget(logList_);
  addDockWidget(Qt::BottomDockWidgetArea, output);
  resizeDocks({objects}, {280}, Qt::Horizontal);
  resizeDocks({output}, {150}, Qt::Vertical);
}

QString CMainFrame::DesktopFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (folder.isEmpty()) folder = QDir::homePath() + "/Desktop";
  return folder;
}

void CMainFrame::OpenLogFile() {
  QString folder = options_.logFolder.isEmpty() ? DesktopFolder() : options_.logFolder;
  // Without a log file the program still runs; the pane keeps the log.
  logFile_.Open(folder.toStdString(), std::time(nullptr));
}

void CMainFrame::ApplyLook(int id) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ApplicationLook& look = LookFor(id);
  if (QApplication::style()->name().compare("fusion", Qt::CaseInsensitive) != 0) {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
  }
  QApplication::setPalette(PaletteFor(look));
  ribbon_->setStyleSheet(RibbonStyleSheet(look));
  captionBar_->setStyleSheet(QString("#CaptionBar { background: %1; color: %2; border-bottom: 1px solid %3; }")
                                 .arg(look.ribbonBottom.name(), look.ribbonText.name(), look.panelBorder.name()));
  look_ = look.id;
  for (QAction* action : looks_->actions()) action->setChecked(action->data().toInt() == look_);
  StoreLook(look_);
  QApplication::restoreOverrideCursor();
}

void CMainFrame::UpdateCommandStates() { stop_->setEnabled(context_.running); }

bool CMainFrame::WorkerAlive() const { return worker_ != nullptr && !worker_->isFinished(); }

bool CMainFrame::WaitForWorker() {
  if (worker_ == nullptr) return true;
  if (waiting_) return false;
  waiting_ = true;
  while (!worker_->isFinished()) {
    // The worker may be waiting for a call on this thread.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker_->wait(5);
  }
  worker_->wait();
  delete worker_;
  worker_ = nullptr;
  waiting_ = false;
  return true;
}

void CMainFrame::StartWorker(std::function<void()> work) {
  worker_ = QThread::create(std::move(work));
  connect(worker_, &QThread::finished, this, &CMainFrame::UpdateCommandStates);
  worker_->start();
  UpdateCommandStates();
}

bool CMainFrame::RefuseWhileRunning(const char* message) {
  if (context_.running || waiting_) {
    owner_.Message(message, MessageIcon::Information);
    return true;
  }
  // A worker told to stop may still be finishing: let it end first.
  if (!WaitForWorker()) {
    owner_.Message(message, MessageIcon::Information);
    return true;
  }
  return false;
}

void CMainFrame::OnOpen() {
  if (RefuseWhileRunning(kMsgWaitForRunning)) return;
  CCorvaneFileSettingDlg dialog(owner_, this);
  bool accepted = options_.runFileDialog ? options_.runFileDialog(dialog) : dialog.exec() == QDialog::Accepted;
  if (!accepted) return;
  logLineCount_ = 0;
  previewItem_ = kNoItem;
  BeginRecovery(context_, owner_, dialog.settings());
  StartWorker([this] { RunScanWorker(context_, owner_, parserFactory_); });
}

void CMainFrame::OnStop() {
  if (!context_.running) return;
  if (!owner_.AskYesNo(kMsgConfirmStop, MessageIcon::Question)) return;
  // The worker may have ended while the question was open.
  if (!context_.running) return;
  context_.stopRequested = true;
  context_.running = false;
  UpdateCommandStates();
}

void CMainFrame::OnMapColumn() { owner_.Message(kMsgMappingNotAvailable, MessageIcon::Information); }

void CMainFrame::OnPreviewRequest(TreeItem item) {
  if (!context_.running && !waiting_) WaitForWorker();
  if (WorkerAlive()) {
    // Still finishing after a Stop: refuse like a running operation.
    if (previewItem_ != kNoItem) tree_.SelectItem(previewItem_);
    owner_.Message(kMsgWaitForRunning, MessageIcon::Information);
    return;
  }
  if (!context_.running) context_.stopRequested = false;
  if (!StartObjectPreview(context_, owner_, item, &previewItem_)) return;
  StartWorker([this] { ObjectPreviewWorker(context_, owner_); });
}

void CMainFrame::OnSave() {
  if (RefuseWhileRunning(kMsgWaitForRunning)) return;
  if (!context_.parser) {
    owner_.Message(kMsgOpenFirst, MessageIcon::Information);
    return;
  }
  CSavingModeDlg dialog(owner_, QString::fromStdString(context_.inputPath), this);
  bool accepted =
      options_.runSavingDialog ? options_.runSavingDialog(dialog) : dialog.exec() == QDialog::Accepted;
  if (!accepted) return;
  context_.outputPath = dialog.OutputPath().toStdString();
  context_.sqlite2Output = false;
  context_.accessOutput = false;
  context_.stopRequested = false;
  context_.running = true;
  ShowProgressBar(true);
  SetProgressPosition(0);
  StartWorker([this] { SaveWorker(); });
}

void CMainFrame::SaveWorker() {
  bool saved = context_.parser->CreateRecoveredDatabase(context_.inputPath);
  const std::string& path = context_.saveReport.outputPath;
  std::string message;
  if (saved && context_.stopRequested) {
    message = kMsgSaveStopped + path;
  } else if (saved) {
    message = kMsgSaved + path;
  } else if (context_.saveReport.outputUnwritable) {
    message = kMsgSaveFailed + path;
  }
  owner_.ShowProgress(false);
  if (!message.empty()) {
    owner_.LogLine(message);
    owner_.Message(message, MessageIcon::Information);
  }
  context_.stopRequested = false;
  context_.running = false;
}

QString CMainFrame::ManualPath() {
  const QStringList candidates = {
      QDir(QCoreApplication::applicationDirPath()).filePath(kManualFileName),
      // Installed under another prefix than the one configured.
      QDir(QCoreApplication::applicationDirPath() + "/../" SALVORAN_MANUAL_RELATIVE_DIR).filePath(kManualFileName),
      QDir(SALVORAN_MANUAL_INSTALL_DIR).filePath(kManualFileName),
  };
  for (const QString& candidate : candidates) {
    if (QFileInfo::exists(candidate)) return candidate;
  }
  return {};
}

bool CMainFrame::OpenUrl(const QUrl& url) {
  return options_.openUrl ? options_.openUrl(url) : QDesktopServices::openUrl(url);
}

void CMainFrame::OnHelp() {
  if (RefuseWhileRunning(kMsgStopToContinue)) return;
  QString manual = options_.manualPath.isEmpty() ? ManualPath() : options_.manualPath;
  if (manual.isEmpty() || !QFileInfo::exists(manual)) {
    owner_.Message(std::string(kMsgManualMissing) + kManualFileName, MessageIcon::Information);
    return;
  }
  OpenUrl(QUrl::fromLocalFile(manual));
}

void CMainFrame::OnAbout() {
  if (RefuseWhileRunning(kMsgStopToContinue)) return;
  CCorvaneAboutDlg dialog(this);
  if (options_.runAboutDialog) {
    options_.runAboutDialog(dialog);
  } else {
    dialog.exec();
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  event->ignore();
  RequestClose();
}

void CMainFrame::RequestClose() {
  if (context_.running || waiting_) {
    owner_.Message(kMsgStopToClose, MessageIcon::Information);
    return;
  }
  if (!owner_.AskYesNo(kMsgConfirmClose, MessageIcon::Question)) return;
  context_.stopRequested = true;
  // Nothing is freed under a worker that is still finishing.
  WaitForWorker();
  ResetRecovery(context_);
  logFile_.Close();
  owner_.Message("Log file path: " + logFile_.path(), MessageIcon::Information);
  if (options_.exitProcess) {
    options_.exitProcess(-1);
  } else {
    QCoreApplication::exit(-1);
  }
}

void CMainFrame::InsertLogLine(const QString& text) {
  // A new recovery's lines go in from the top, above the earlier ones.
  int row = std::clamp(logLineCount_, 0, logList_->count());
  logList_->insertItem(row, text);
  ++logLineCount_;
}

void CMainFrame::SetProgressRange(int64_t upper) { progress_->setRange(0, std::max(ClampToInt(upper), 0)); }

void CMainFrame::SetProgressPosition(int64_t position) {
  progress_->setValue(std::min(ClampToInt(position), progress_->maximum()));
}

void CMainFrame::ShowProgressBar(bool visible) { progress_->setVisible(visible); }

void CMainFrame::SetCaptionText(const QString& text) {
  captionBar_->setText(text);
  captionBar_->update();
}

void CMainFrame::SetSqlText(const QString& text) { sqlText_->setPlainText(text); }

void CMainFrame::ShowGrid(bool grid) { content_->setCurrentWidget(grid ? static_cast<QWidget*>(gridView_) : sqlText_); }

}  // namespace salvoran::app
