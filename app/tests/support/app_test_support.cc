#include "app/tests/support/app_test_support.h"

#include <sqlite3.h>

#include <QTest>
#include <cmath>
#include <cstdio>

#include "app/file_setting_dlg.h"
#include "app/saving_mode_dlg.h"

namespace salvoran::app::testing {

bool MakeDatabase(const std::string& path, const std::vector<std::string>& statements, std::string* error,
                  int pageSize, const char* encoding) {
  std::remove(path.c_str());
  ::sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  std::string setup = "PRAGMA page_size=" + std::to_string(pageSize) + "; PRAGMA encoding='" + encoding + "';";
  std::string script = setup + "BEGIN;";
  for (const std::string& statement : statements) script += statement + ";";
  script += "COMMIT;";
  char* message = nullptr;
  bool ok = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message) == SQLITE_OK;
  if (!ok && error != nullptr) *error = message ? message : "unknown error";
  sqlite3_free(message);
  sqlite3_close(db);
  return ok;
}

namespace {

std::string ShortestReal(double value) {
  char buffer[40];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  return buffer;
}

std::string TextOf(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: return "NULL";
    case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: return ShortestReal(sqlite3_column_double(statement, column));
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
      std::string text = "x'";
      char hex[3];
      for (int i = 0; i < sqlite3_column_bytes(statement, column); ++i) {
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        text += hex;
      }
      return text + "'";
    }
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      return std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)));
    }
  }
}

}  // namespace

Rows Query(const std::string& path, const std::string& sql) {
  Rows rows;
  ::sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(statement); ++c) row.push_back(TextOf(statement, c));
      rows.push_back(std::move(row));
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

TestFrame::TestFrame() {
  FrameOptions options;
  options.logFolder = folder_.path() + "/Desktop";
  options.showMaximized = false;
  options.manualPath = SALVORAN_BUILT_MANUAL;
  options.answerHook = [this](const MessageRequest& request) {
    messages.push_back(request);
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers.empty()) return MessageAnswer::No;
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  };
  options.runFileDialog = [this](CCorvaneFileSettingDlg& dialog) {
    dialog.BrowseTo(QString::fromStdString(openPath));
    dialog.accept();
    return dialog.result() == QDialog::Accepted;
  };
  options.runSavingDialog = [this](CSavingModeDlg& dialog) {
    if (!saveFolder.empty()) dialog.folderEdit()->setText(QString::fromStdString(saveFolder));
    if (!saveName.empty()) dialog.fileNameEdit()->setText(QString::fromStdString(saveName));
    dialog.accept();
    lastSaveDialogAccepted = dialog.result() == QDialog::Accepted;
    return lastSaveDialogAccepted;
  };
  options.runAboutDialog = [](CCorvaneAboutDlg&) {};
  options.openUrl = [this](const QUrl& url) {
    openedUrls.push_back(url);
    return true;
  };
  options.exitProcess = [this](int code) { exitCodes.push_back(code); };
  frame_ = std::make_unique<CMainFrame>(std::move(options));
  frame_->show();
}

TestFrame::~TestFrame() { frame_.reset(); }

void TestFrame::Open(const std::string& path) {
  openPath = path;
  frame_->OnOpen();
  WaitIdle();
}

void TestFrame::Preview(TreeItem item) {
  frame_->OnPreviewRequest(item);
  WaitIdle();
}

void TestFrame::Save(const std::string& folder, const std::string& name) {
  saveFolder = folder;
  saveName = name;
  frame_->OnSave();
  WaitIdle();
}

std::string NameOf(const std::string& itemText) {
  QString text = QString::fromStdString(itemText).trimmed();
  return text.section(' ', 0, 0).toStdString();
}

TreeItem TestFrame::FindItem(const std::string& text) const {
  ObjectTree& tree = frame_->tree();
  std::vector<TreeItem> pending = tree.Children(kNoItem);
  while (!pending.empty()) {
    TreeItem item = pending.back();
    pending.pop_back();
    std::string itemText = tree.GetItemText(item);
    if (itemText == text || NameOf(itemText) == text) return item;
    for (TreeItem child : tree.Children(item)) pending.push_back(child);
  }
  return kNoItem;
}

std::vector<std::string> TestFrame::MessageTexts() const {
  std::vector<std::string> texts;
  for (const MessageRequest& request : messages) texts.push_back(request.text);
  return texts;
}

bool TestFrame::Shown(const std::string& text) const {
  for (const MessageRequest& request : messages) {
    if (request.text == text) return true;
  }
  return false;
}

std::vector<std::string> TestFrame::LogListLines() const {
  std::vector<std::string> lines;
  QListWidget* list = frame_->logList();
  for (int row = 0; row < list->count(); ++row) lines.push_back(list->item(row)->text().toStdString());
  return lines;
}

}  // namespace salvoran::app::testing
