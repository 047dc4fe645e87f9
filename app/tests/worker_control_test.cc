// The one worker at a time: Stop during a long preview, and the commands
// that are refused while a worker runs. Each check runs while the preview's
// worker is held inside its first batch of rows (the frame carries the
// batch out on the user-interface thread while the worker waits), so the
// worker is certainly running when the command is given.
#include <QStandardPaths>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "app/tests/support/app_test_support.h"
#include "recovery/messages.h"

namespace salvoran::app::testing {

namespace {

constexpr int kBigRows = 30000;

// Runs check once, inside the first batch of rows the preview of item
// delivers, then waits for the preview to end.
void DuringFirstBatch(TestFrame& test, TreeItem item, const std::function<void()>& check) {
  bool done = false;
  QObject guard;
  QObject::connect(test.frame().gridModel(), &QAbstractItemModel::rowsInserted, &guard, [&] {
    if (done) return;
    done = true;
    check();
  });
  test.Preview(item);
  QVERIFY(done);
}

}  // namespace

class WorkerControlTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string input_;

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    input_ = (dir_.path() + "/big.db").toStdString();
    std::string error;
    QVERIFY2(MakeDatabase(input_,
                          {"CREATE TABLE big(id INTEGER PRIMARY KEY, label TEXT)",
                           "CREATE TABLE small(x)", "INSERT INTO small VALUES (1)",
                           "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < " +
                               std::to_string(kBigRows) + ") INSERT INTO big(label) SELECT 'row ' || k FROM n"},
                          &error),
             error.c_str());
  }

  void stopAnsweredNoChangesNothingAndYesEndsThePreviewEarly() {
    TestFrame test;
    test.Open(input_);
    CMainFrame& frame = test.frame();
    DuringFirstBatch(test, test.FindItem("big"), [&] {
      QVERIFY(frame.context().running);
      frame.UpdateCommandStates();
      QVERIFY(frame.stopAction()->isEnabled());
      test.answers = {MessageAnswer::No};
      frame.OnStop();
      QCOMPARE(test.messages.back().text, std::string(kMsgConfirmStop));
      QCOMPARE(test.messages.back().icon, MessageIcon::Question);
      QVERIFY(frame.context().running);
      QVERIFY(!frame.context().stopRequested);
      QVERIFY(frame.stopAction()->isEnabled());
      test.answers = {MessageAnswer::Yes};
      frame.OnStop();
      QVERIFY(!frame.context().running);
      QVERIFY(frame.context().stopRequested);
      QVERIFY(!frame.stopAction()->isEnabled());
    });
    size_t rows = frame.grid().RowCount();
    QVERIFY(rows > 0);
    QVERIFY(rows < size_t{kBigRows});
    const QString bigText = QString::fromStdString(frame.tree().GetItemText(test.FindItem("big")));
    QCOMPARE(frame.captionBar()->text(), bigText + QString("[%1]").arg(rows));
    QVERIFY(!frame.context().stopRequested);
    // The next preview loads in full again.
    test.Preview(test.FindItem("big"));
    QCOMPARE(frame.grid().RowCount(), size_t{kBigRows});
    QCOMPARE(frame.gridView()->model()->rowCount(), kBigRows);
  }

  void stopWhenNothingRunsAsksNothing() {
    TestFrame test;
    test.Open(input_);
    size_t shown = test.messages.size();
    test.frame().OnStop();
    QCOMPARE(test.messages.size(), shown);
  }

  void commandsAreRefusedWhileAWorkerRuns() {
    TestFrame test;
    test.Open(input_);
    CMainFrame& frame = test.frame();
    TreeItem big = test.FindItem("big");
    TreeItem small = test.FindItem("small");
    DuringFirstBatch(test, big, [&] {
      struct Refusal {
        std::function<void()> command;
        const char* message;
      };
      const Refusal refusals[] = {
          {[&] { frame.OnOpen(); }, kMsgWaitForRunning},
          {[&] { frame.OnSave(); }, kMsgWaitForRunning},
          {[&] { frame.OnHelp(); }, kMsgStopToContinue},
          {[&] { frame.OnAbout(); }, kMsgStopToContinue},
          {[&] { frame.RequestClose(); }, kMsgStopToClose},
          {[&] { frame.OnPreviewRequest(small); }, kMsgWaitForRunning},
      };
      for (const Refusal& refusal : refusals) {
        refusal.command();
        QCOMPARE(test.messages.back().text, std::string(refusal.message));
        QCOMPARE(test.messages.back().caption, std::string(kAppTitle));
      }
      // Nothing was opened, shown or ended, and the preview item is still the selection.
      QVERIFY(test.openedUrls.empty());
      QVERIFY(test.exitCodes.empty());
      QCOMPARE(frame.tree().GetSelectedItem(), big);
      // Map Column is not guarded.
      frame.OnMapColumn();
      QCOMPARE(test.messages.back().text, std::string(kMsgMappingNotAvailable));
    });
    // The refused commands left the running preview alone.
    QCOMPARE(frame.grid().RowCount(), size_t{kBigRows});
    QCOMPARE(frame.captionBar()->text(),
             QString::fromStdString(frame.tree().GetItemText(big)) + QString("[%1]").arg(kBigRows));
  }

  void openAfterStopWaitsForTheStoppedWorker() {
    TestFrame test;
    test.Open(input_);
    CMainFrame& frame = test.frame();
    bool stopped = false;
    bool opened = false;
    QObject guard;
    QObject::connect(frame.gridModel(), &QAbstractItemModel::rowsInserted, &guard, [&] {
      if (stopped) return;
      stopped = true;
      test.answers = {MessageAnswer::Yes};
      frame.OnStop();
      // Given as soon as the batch is done, while the stopped worker may
      // still be finishing with the parser that Open is about to replace.
      QTimer::singleShot(0, &frame, [&] {
        frame.OnOpen();
        opened = true;
      });
    });
    size_t shown = test.messages.size();
    frame.OnPreviewRequest(test.FindItem("big"));
    QTRY_VERIFY(opened);
    test.WaitIdle();
    QVERIFY(stopped);
    // Open was not refused: it waited, then replaced the recovery.
    for (size_t m = shown; m < test.messages.size(); ++m) {
      QVERIFY(test.messages[m].text != std::string(kMsgWaitForRunning));
    }
    QVERIFY(test.Shown(kMsgScanCompleted));
    QVERIFY(test.FindItem("big") != kNoItem);
    QVERIFY(frame.context().parser != nullptr);
    QCOMPARE(frame.grid().ColumnCount(), size_t{0});
    QCOMPARE(frame.grid().RowCount(), size_t{0});
  }

  void helpOpensTheBuiltManual() {
    TestFrame test;
    test.frame().OnHelp();
    QCOMPARE(test.openedUrls.size(), size_t{1});
    QCOMPARE(test.openedUrls[0], QUrl::fromLocalFile(SALVORAN_BUILT_MANUAL));
    QFile manual(SALVORAN_BUILT_MANUAL);
    QVERIFY(manual.open(QIODevice::ReadOnly));
    QByteArray bytes = manual.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page ") + bytes.count("/Type /Page/") >= 1);
  }
};

}  // namespace salvoran::app::testing

QTEST_MAIN(salvoran::app::testing::WorkerControlTest)
#include "worker_control_test.moc"
