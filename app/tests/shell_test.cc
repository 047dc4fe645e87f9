// The shell around the recovery: the file-settings and saving-mode dialogs,
// the About box, the ribbon, the looks, the icons and the single-instance
// lock.
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include "app/about_dlg.h"
#include "app/application_look.h"
#include "app/file_setting_dlg.h"
#include "app/saving_mode_dlg.h"
#include "app/single_instance.h"
#include "app/svg_icon.h"
#include "app/tests/support/app_test_support.h"
#include "platform/headless_frame.h"
#include "recovery/messages.h"

namespace salvoran::app::testing {

class ShellTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string Path(const QString& name) const { return (dir_.path() + "/" + name).toStdString(); }

  static void WriteBytes(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void fileSettingsDialog_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("version3");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<bool>("utf16");
    QTest::addColumn<QString>("pageSize");
    QTest::addColumn<QString>("message");
    QTest::newRow("utf-8 at the start") << "utf8" << true << true << false << "4096" << "";
    QTest::newRow("utf-16 with 1024-byte pages") << "utf16" << true << false << true << "1024" << "";
    QTest::newRow("after 37 bytes of other data") << "prefixed" << true << true << false << "4096" << "";
    QTest::newRow("not a database") << "junk" << false << false << false << "" << kMsgContentNotInForm;
    QTest::newRow("missing file") << "missing" << false << false << false << "" << kMsgSelectValidFile;
  }

  void fileSettingsDialog() {
    QFETCH(QString, kind);
    std::string path = Path(kind + ".db");
    std::string error;
    if (kind == "utf8" || kind == "prefixed") {
      QVERIFY(MakeDatabase(path, {"CREATE TABLE t(a)", "INSERT INTO t VALUES (1)"}, &error));
    } else if (kind == "utf16") {
      QVERIFY(MakeDatabase(path, {"CREATE TABLE t(a)"}, &error, 1024, "UTF-16le"));
    } else if (kind == "junk") {
      WriteBytes(path, QByteArray(4000, 'z'));
    } else {
      std::remove(path.c_str());
    }
    if (kind == "prefixed") {
      QFile file(QString::fromStdString(path));
      QVERIFY(file.open(QIODevice::ReadOnly));
      WriteBytes(path, QByteArray(37, '\x01') + file.readAll());
    }
    HeadlessFrame messages;
    messages.SetLogStream(nullptr);
    CCorvaneFileSettingDlg dialog(messages);
    QCOMPARE(dialog.windowTitle(), QString("Select Database file"));
    // Until a file is chosen: Version 2 and UTF-8.
    QVERIFY(dialog.version2()->isChecked() && dialog.utf8()->isChecked());
    dialog.BrowseTo(QString::fromStdString(path));
    QFETCH(bool, version3);
    QFETCH(bool, utf8);
    QFETCH(bool, utf16);
    QFETCH(QString, pageSize);
    QFETCH(QString, message);
    QCOMPARE(dialog.version3()->isChecked(), version3);
    QVERIFY(!dialog.version2()->isChecked());
    QCOMPARE(dialog.utf8()->isChecked(), utf8);
    QCOMPARE(dialog.utf16()->isChecked(), utf16);
    QCOMPARE(dialog.pageSizeEdit()->text(), pageSize);
    QCOMPARE(dialog.settings().formatVersion, version3 ? kFormatSqlite3 : kFormatNone);
    if (kind == "prefixed") QCOMPARE(dialog.settings().startOffset, uint64_t{37});
    if (message.isEmpty()) {
      QVERIFY(messages.messages().empty());
      QCOMPARE(dialog.pathEdit()->text().toStdString(), path);
    } else {
      QCOMPARE(QString::fromStdString(messages.messages().front().text), message);
    }
    // The radios can be clicked freely; OK keeps what detection found.
    if (version3) {
      QTest::mouseClick(dialog.version2(), Qt::LeftButton);
      QVERIFY(dialog.version2()->isChecked() && !dialog.version3()->isChecked());
      dialog.accept();
      QCOMPARE(dialog.settings().formatVersion, kFormatSqlite3);
      QCOMPARE(dialog.settings().path, path);
    }
  }

  void savingModeDialog() {
    HeadlessFrame messages;
    messages.SetLogStream(nullptr);
    QString input = dir_.path() + "/in.db";
    CSavingModeDlg dialog(messages, input);
    QCOMPARE(dialog.windowTitle(), QString("Select Saving Mode"));
    QVERIFY(dialog.sqliteRadio()->isChecked());
    QVERIFY(!dialog.version2()->isEnabled());
    QCOMPARE(dialog.fileNameEdit()->text(), QString("Repaired_in.db"));
    QCOMPARE(dialog.OutputPath(), dir_.path() + "/Repaired_in.db");
    // Access says plainly that it is not available and is not accepted.
    dialog.mdbRadio()->setChecked(true);
    QVERIFY(dialog.noteLabel()->text().contains("not available"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(messages.messages().back().text, std::string(kMsgAccessNotAvailable));
    dialog.sqliteRadio()->setChecked(true);
    dialog.fileNameEdit()->setText("  ");
    dialog.accept();
    QCOMPARE(messages.messages().back().text, std::string(kMsgNoFileName));
    dialog.fileNameEdit()->setText("out.db");
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void aboutBoxClosesOnlyThroughOk() {
    CCorvaneAboutDlg about;
    about.show();
    QCOMPARE(about.windowTitle(), QString(kAppTitle));
    QTest::keyClick(&about, Qt::Key_Escape);
    QTest::keyClick(&about, Qt::Key_Return);
    QVERIFY(about.isVisible());
    QTest::mouseClick(about.okButton(), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }

  void ribbonButtonsAndTheirRules() {
    TestFrame test;
    CMainFrame& frame = test.frame();
    struct Button {
      QAction* action;
      const char* label;
      const char* tip;
    };
    const Button buttons[] = {
        {frame.openAction(), "Open", "Open database file"},
        {frame.stopAction(), "Stop", "Stop running process"},
        {frame.mapColumnAction(), "Map Column", "Map Column"},
        {frame.saveAction(), "Save", "Save recovered data"},
        {frame.helpAction(), "Help", "Help for CorvaneTools Salvoran"},
        {frame.aboutAction(), "About", "About CorvaneTools Salvoran"},
    };
    for (const Button& button : buttons) {
      QCOMPARE(button.action->text(), QString(button.label));
      QCOMPARE(button.action->toolTip(), QString(button.tip));
      QToolButton* shown = frame.ribbon()->ButtonFor(button.action);
      QVERIFY(shown != nullptr);
      QCOMPARE(shown->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      QVERIFY(!button.action->icon().isNull());
      QCOMPARE(button.action->isEnabled(), button.action != frame.stopAction());
    }
    QCOMPARE(frame.windowTitle(), QString(kAppTitle));
    QCOMPARE(frame.captionBar()->text(), QString(kStartCaption));
    QVERIFY(frame.progressBar()->isHidden());
    // Save before any Open says what to do first.
    frame.OnSave();
    QCOMPARE(test.messages.back().text, std::string(kMsgOpenFirst));
  }

  void looksAreStoredUnderTheApplicationKey() {
    QSettings settings(kSettingsKey, kAppTitle);
    settings.remove(kLookSetting);
    settings.sync();
    {
      TestFrame test;
      QCOMPARE(test.frame().currentLook(), kDefaultLook);
      QCOMPARE(QSettings(kSettingsKey, kAppTitle).value(kLookSetting).toInt(), kDefaultLook);
      test.frame().ApplyLook(216);
      QCOMPARE(QSettings(kSettingsKey, kAppTitle).value(kLookSetting).toInt(), 216);
    }
    TestFrame again;
    QCOMPARE(again.frame().currentLook(), 216);
    QCOMPARE(ApplicationLooks().size(), size_t{9});
    QCOMPARE(LookFor(999).id, kDefaultLook);
    again.frame().ApplyLook(kDefaultLook);
  }

  void iconsAreDrawnFromTheirSvg() {
    QImage stop = RenderSvg(":/icons/stop.svg", 32);
    QCOMPARE(stop.size(), QSize(32, 32));
    QCOMPARE(QColor(stop.pixel(16, 16)), QColor("#ffffff"));      // the white square
    QCOMPARE(QColor(stop.pixel(16, 5)).name(), QString("#d9342b"));  // the red border
    QCOMPARE(qAlpha(stop.pixel(0, 0)), 0);                          // outside the octagon
    QImage missing = RenderSvg(":/icons/none.svg", 16);
    QCOMPARE(qAlpha(missing.pixel(8, 8)), 0);
  }

  void onlyOneCopyHoldsTheInstanceLock() {
    std::string folder = dir_.path().toStdString();
    auto first = std::make_unique<SingleInstanceLock>(folder);
    QVERIFY(first->TryAcquire());
    SingleInstanceLock second(folder);
    QVERIFY(!second.TryAcquire());
    QCOMPARE(QString::fromStdString(first->path()),
             dir_.path() + "/Global_{CORVANETOOLSSALVORANV1.0_EXE_RUNNING1}.lock");
    struct stat st {};
    QCOMPARE(::stat(first->path().c_str(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t{0666});
    first.reset();
    QVERIFY(second.TryAcquire());
  }
};

}  // namespace salvoran::app::testing

QTEST_MAIN(salvoran::app::testing::ShellTest)
#include "shell_test.moc"
