// The recovery as the user drives it in the main window: Open through the
// file-settings dialog, the tree with its check boxes, previews by a click
// on a name, Save, and the log in the pane and in the file.
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTemporaryDir>

#include "app/saving_mode_dlg.h"
#include "app/tests/support/app_test_support.h"
#include "recovery/messages.h"

namespace salvoran::app::testing {

class RecoveryFlowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string input_;

  std::string Path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    input_ = Path("shop.db");
    std::vector<std::string> sql = {
        "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT, balance REAL, note)",
        "CREATE TABLE orders(customer INTEGER, item TEXT, qty INTEGER)",
        "CREATE TABLE empty_one(a, b)",
        "CREATE INDEX orders_item ON orders(item, qty)",
        "CREATE VIEW rich AS SELECT name FROM customers WHERE balance > 100",
        "CREATE TRIGGER orders_check AFTER INSERT ON orders BEGIN SELECT 1; END",
    };
    for (int k = 1; k <= 120; ++k) {
      std::string n = std::to_string(k);
      sql.push_back("INSERT INTO customers(name, balance, note) VALUES ('customer " + n + "', " + n +
                    ".5, " + (k % 3 ? "NULL" : "x'0a0b'") + ")");
      sql.push_back("INSERT INTO orders VALUES (" + n + ", 'item" + n + "', " + std::to_string(k % 7) + ")");
    }
    std::string error;
    QVERIFY2(MakeDatabase(input_, sql, &error), error.c_str());
  }

  void openListsEveryObjectUnderItsCategory() {
    TestFrame test;
    test.Open(input_);
    ObjectTree& tree = test.frame().tree();
    TreeItem root = tree.GetRootItem();
    QCOMPARE(tree.GetItemText(root), input_);
    std::vector<std::string> categories;
    for (TreeItem item : tree.Children(root)) categories.push_back(tree.GetItemText(item));
    QCOMPARE(categories, (std::vector<std::string>{kTablesText, kIndexesText, kViewsText, kTriggersText}));
    auto names = [&](const char* category) {
      std::vector<std::string> texts;
      // The scan keeps a name as it is cut from its statement ("name ON
      // table" for an index): compare the names themselves.
      for (TreeItem item : tree.Children(test.FindItem(category))) {
        texts.push_back(NameOf(tree.GetItemText(item)));
      }
      return texts;
    };
    QCOMPARE(names(kTablesText), (std::vector<std::string>{"customers", "orders", "empty_one"}));
    QCOMPARE(names(kIndexesText), std::vector<std::string>{"orders_item"});
    QCOMPARE(names(kViewsText), std::vector<std::string>{"rich"});
    QCOMPARE(names(kTriggersText), std::vector<std::string>{"orders_check"});
    QVERIFY(test.Shown(kMsgScanCompleted));
    // The Qt view shows the same shape.
    QAbstractItemModel* model = test.frame().treeView()->model();
    QCOMPARE(model->rowCount(), 1);
    QModelIndex rootIndex = model->index(0, 0);
    QCOMPARE(model->rowCount(rootIndex), 4);
    QCOMPARE(model->rowCount(model->index(0, 0, rootIndex)), 3);
    QVERIFY(test.frame().treeView()->isExpanded(rootIndex));
    QCOMPARE(test.frame().captionBar()->text().toStdString(), input_);
    QVERIFY(!test.frame().stopAction()->isEnabled());
    QVERIFY(test.frame().progressBar()->isHidden());
  }

  void checkBoxesCombineBelowTheirParents() {
    TestFrame test;
    test.Open(input_);
    CXHtmlTree* view = test.frame().treeView();
    auto* model = static_cast<ObjectTreeModel*>(view->model());
    ObjectTree& tree = test.frame().tree();
    TreeItem tables = test.FindItem(kTablesText);
    TreeItem orders = test.FindItem("orders");
    auto shown = [&](TreeItem item) { return model->IndexOf(item).data(Qt::CheckStateRole).toInt(); };

    // A click on the check box of TABLES checks every table.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->CheckRect(tables).center());
    QVERIFY(tree.GetCheck(tables));
    for (TreeItem table : tree.Children(tables)) QCOMPARE(shown(table), int(Qt::Checked));
    QCOMPARE(shown(tables), int(Qt::Checked));
    QCOMPARE(shown(tree.GetRootItem()), int(Qt::PartiallyChecked));
    QCOMPARE(test.frame().logList()->count(), int(test.LogListLines().size()));

    // Unchecking one table leaves TABLES mixed and not checked.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->CheckRect(orders).center());
    QVERIFY(!tree.GetCheck(orders));
    QCOMPARE(shown(tables), int(Qt::PartiallyChecked));
    QVERIFY(!tree.GetCheck(tables));

    // Space toggles the selected item; the mixed TABLES becomes checked.
    tree.SelectItem(tables);
    QTest::keyClick(view, Qt::Key_Space);
    QVERIFY(tree.GetCheck(tables));
    QVERIFY(tree.GetCheck(orders));
    QTest::keyClick(view, Qt::Key_Space);
    QCOMPARE(shown(tables), int(Qt::Unchecked));
    QCOMPARE(shown(tree.GetRootItem()), int(Qt::Unchecked));

    // Checking the root checks everything, categories without objects too.
    tree.SetCheck(tree.GetRootItem(), true);
    QCOMPARE(shown(tree.GetRootItem()), int(Qt::Checked));
    // No click on a check box started a preview.
    QCOMPARE(test.frame().grid().ColumnCount(), size_t{0});
  }

  void keyboardExpandsAndCollapses() {
    TestFrame test;
    test.Open(input_);
    CXHtmlTree* view = test.frame().treeView();
    auto* model = static_cast<ObjectTreeModel*>(view->model());
    TreeItem tables = test.FindItem(kTablesText);
    QModelIndex at = model->IndexOf(tables);
    view->setCurrentIndex(at);
    QTest::keyClick(view, Qt::Key_Minus, Qt::KeypadModifier);
    QVERIFY(!view->isExpanded(at));
    QVERIFY(!test.frame().tree().IsExpanded(tables));
    QTest::keyClick(view, Qt::Key_Plus, Qt::KeypadModifier);
    QVERIFY(view->isExpanded(at));
    QVERIFY(test.frame().tree().IsExpanded(tables));
    QTest::keyClick(view, Qt::Key_Left);
    QVERIFY(!view->isExpanded(at));
  }

  void clickOnATableNameShowsItsRows() {
    TestFrame test;
    test.Open(input_);
    CXHtmlTree* view = test.frame().treeView();
    TreeItem customers = test.FindItem("customers");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->NameRect(customers).center());
    test.WaitIdle();
    QCoreApplication::processEvents();
    test.WaitIdle();

    RecordGrid& grid = test.frame().grid();
    QCOMPARE(grid.ColumnCount(), size_t{4});
    QVERIFY(QString::fromStdString(grid.ColumnHeader(0)).startsWith("id"));
    QVERIFY(QString::fromStdString(grid.ColumnHeader(0)).endsWith(kKeyMark));
    QCOMPARE(grid.ColumnHeader(1), std::string("name"));
    Rows expected = Query(input_, "SELECT id, name, balance, note FROM customers ORDER BY rowid");
    // The grid shows a blob by its marker, not its bytes.
    for (auto& row : expected) {
      for (std::string& cell : row) {
        if (cell.rfind("x'", 0) == 0) cell = "< Blob Data >";
      }
    }
    QCOMPARE(grid.RowCount(), expected.size());
    for (size_t r = 0; r < expected.size(); ++r) {
      GridRow row = grid.Row(r);
      std::string shown;
      for (const std::string& cell : row) shown += cell + "|";
      QVERIFY2(row == expected[r], shown.c_str());
    }
    // The view: one column per table column plus the blank one, every row.
    QAbstractItemModel* model = test.frame().gridView()->model();
    QCOMPARE(model->columnCount(), 5);
    QCOMPARE(model->rowCount(), 120);
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QString("name"));
    QCOMPARE(model->index(4, 1).data().toString(), QString("customer 5"));
    QCOMPARE(model->index(2, 3).data().toString(), QString("< Blob Data >"));
    QCOMPARE(model->index(0, 3).data().toString(), QString("NULL"));
    QCOMPARE(test.frame().contentWindow()->currentWidget(), test.frame().gridView());
    const QString customersText = QString::fromStdString(test.frame().tree().GetItemText(customers));
    QCOMPARE(test.frame().captionBar()->text(), customersText + "[120]");
    std::vector<std::string> log = test.LogListLines();
    QVERIFY(std::find(log.begin(), log.end(), "Scanning process completed for folder: " + customersText.toStdString()) !=
            log.end());

    // A second table replaces the first one's columns.
    test.Preview(test.FindItem("orders"));
    QCOMPARE(grid.ColumnCount(), size_t{3});
    QCOMPARE(model->columnCount(), 4);
    auto textOf = [&](const char* name) { return QString::fromStdString(test.frame().tree().GetItemText(test.FindItem(name))); };
    QCOMPARE(test.frame().captionBar()->text(), textOf("orders") + "[120]");
    // A table without rows: the caption has no count.
    test.Preview(test.FindItem("empty_one"));
    QCOMPARE(test.frame().captionBar()->text(), textOf("empty_one"));
    QCOMPARE(model->rowCount(), 0);
  }

  void clickBesideTheNameOrOnTheCheckBoxStartsNoPreview() {
    TestFrame test;
    test.Open(input_);
    CXHtmlTree* view = test.frame().treeView();
    TreeItem customers = test.FindItem("customers");
    QRect name = view->NameRect(customers);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(name.right() + 30, name.center().y()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->CheckRect(customers).center());
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, name.center());
    QCoreApplication::processEvents();
    test.WaitIdle();
    QCOMPARE(test.frame().grid().ColumnCount(), size_t{0});
    QCOMPARE(test.frame().captionBar()->text().toStdString(), input_);
    // The press selected the item all the same.
    QCOMPARE(test.frame().tree().GetSelectedItem(), customers);
  }

  void clickOnAnIndexShowsItsStatement() {
    TestFrame test;
    test.Open(input_);
    CXHtmlTree* view = test.frame().treeView();
    for (const char* name : {"orders_item", "rich", "orders_check"}) {
      TreeItem item = test.FindItem(name);
      QVERIFY(item != kNoItem);
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->NameRect(item).center());
      QCoreApplication::processEvents();
      test.WaitIdle();
      Rows sql = Query(input_, std::string("SELECT sql FROM sqlite_master WHERE name = '") + name + "'");
      QCOMPARE(test.frame().sqlTextBox()->toPlainText().toStdString(), sql.at(0).at(0));
      QCOMPARE(test.frame().contentWindow()->currentWidget(), test.frame().sqlTextBox());
      QCOMPARE(test.frame().captionBar()->text().toStdString(), test.frame().tree().GetItemText(item));
    }
  }

  void categoryAndRootClicks() {
    TestFrame test;
    test.Open(input_);
    test.Preview(test.FindItem("customers"));
    test.Preview(test.FindItem(kTablesText));
    QCOMPARE(test.frame().grid().ColumnCount(), size_t{0});
    QCOMPARE(test.frame().contentWindow()->currentWidget(), test.frame().sqlTextBox());
    QCOMPARE(test.frame().captionBar()->text(), QString(kTablesText));
    QVERIFY(test.frame().progressBar()->isHidden());
    QVERIFY(!test.frame().context().running);
  }

  void saveWritesTheSameRowsAsTheOriginal() {
    TestFrame test;
    test.Open(input_);
    ObjectTree& tree = test.frame().tree();
    tree.SetCheck(tree.GetRootItem(), true);
    test.Save(dir_.path().toStdString(), "saved.db");
    std::string output = Path("saved.db");
    QVERIFY(test.lastSaveDialogAccepted);
    QVERIFY(test.Shown(kMsgSaved + output));
    for (const char* table : {"customers", "orders", "empty_one"}) {
      std::string sql = std::string("SELECT * FROM ") + table + " ORDER BY rowid";
      QCOMPARE(Query(output, sql), Query(input_, sql));
    }
    QCOMPARE(Query(output, "SELECT type, name FROM sqlite_master ORDER BY name"),
             Query(input_, "SELECT type, name FROM sqlite_master ORDER BY name"));
    QVERIFY(!test.frame().context().running);
    QVERIFY(test.frame().progressBar()->isHidden());

    // The command line saves the same database from the same input.
    std::string cliOutput = Path("saved-by-cli.db");
    QProcess cli;
    cli.start(SALVORAN_CLI, {"--quiet", "--log-dir", dir_.path(), "recover", QString::fromStdString(input_),
                             "--output", QString::fromStdString(cliOutput), "--yes"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    const std::string everything = "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name";
    QCOMPARE(Query(output, everything), Query(cliOutput, everything));
    for (const char* table : {"customers", "orders", "empty_one"}) {
      std::string sql = std::string("SELECT rowid, * FROM ") + table + " ORDER BY rowid";
      QCOMPARE(Query(output, sql), Query(cliOutput, sql));
    }
  }

  void saveAsksBeforeReplacingAnExistingFile() {
    TestFrame test;
    test.Open(input_);
    ObjectTree& tree = test.frame().tree();
    std::string output = Path("replace.db");
    std::string error;
    QVERIFY(MakeDatabase(output, {"CREATE TABLE keep_me(x)", "INSERT INTO keep_me VALUES (7)"}, &error));
    tree.SetCheck(test.FindItem("orders"), true);

    test.answers = {MessageAnswer::No};
    test.Save(dir_.path().toStdString(), "replace.db");
    QVERIFY(test.messages.size() >= 1);
    QCOMPARE(test.messages.back().buttons, MessageButtons::YesNo);
    QVERIFY(QString::fromStdString(test.messages.back().text).contains("Already exist"));
    QCOMPARE(Query(output, "SELECT x FROM keep_me"), (Rows{{"7"}}));

    test.answers = {MessageAnswer::Yes};
    test.Save(dir_.path().toStdString(), "replace.db");
    QVERIFY(test.Shown(kMsgSaved + output));
    QCOMPARE(Query(output, "SELECT name FROM sqlite_master WHERE type = 'table'"), (Rows{{"orders"}}));
    QCOMPARE(Query(output, "SELECT count(*) FROM orders"), (Rows{{"120"}}));
  }

  void saveNeverWritesOverTheInput() {
    TestFrame test;
    test.Open(input_);
    std::vector<uint8_t> before;
    QFile file(QString::fromStdString(input_));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray original = file.readAll();
    file.close();
    test.frame().tree().SetCheck(test.frame().tree().GetRootItem(), true);
    test.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    test.Save(dir_.path().toStdString(), "shop.db");
    QVERIFY(!test.lastSaveDialogAccepted);
    QVERIFY(test.Shown(kMsgOutputIsInput));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), original);
  }

  void newestRecoveryIsLoggedFromTheTopAndTheFileInTimeOrder() {
    TestFrame test;
    test.Open(input_);
    std::vector<std::string> first = test.LogListLines();
    QCOMPARE(first.front(), input_ + kLogFileSelected);
    test.Open(input_);
    std::vector<std::string> both = test.LogListLines();
    QCOMPARE(both.size(), first.size() * 2);
    // The second recovery's lines come first, in order, then the first's.
    QVERIFY(std::equal(first.begin(), first.end(), both.begin()));
    QVERIFY(std::equal(first.begin(), first.end(), both.begin() + static_cast<std::ptrdiff_t>(first.size())));
    QCOMPARE(both.front(), input_ + kLogFileSelected);

    // The file: byte-order mark, separator, then every line in time order.
    QString path = QString::fromStdString(test.frame().logFile().path());
    QVERIFY(path.startsWith(test.logFolder() + "/Desktop/CorvaneSQLite_log_"));
    QFile log(path);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QByteArray bytes = log.readAll();
    QVERIFY(bytes.startsWith("\xFF\xFE"));
    std::u16string expected = u"\r\n" + std::u16string(80, u'*') + u"\r\n";
    for (int round = 0; round < 2; ++round) {
      for (const std::string& line : first) expected += QString::fromStdString(line).toStdU16String() + u"\r\n";
    }
    QByteArray expectedBytes("\xFF\xFE", 2);
    for (char16_t unit : expected) {
      expectedBytes.append(static_cast<char>(unit & 0xFF));
      expectedBytes.append(static_cast<char>(unit >> 8));
    }
    QCOMPARE(bytes, expectedBytes);
  }

  void closeRequestAsksThenShowsTheLogPath() {
    TestFrame test;
    test.Open(input_);
    test.answers = {MessageAnswer::No};
    test.frame().RequestClose();
    QVERIFY(test.exitCodes.empty());
    QVERIFY(test.Shown(kMsgConfirmClose));
    QCOMPARE(test.messages.back().icon, MessageIcon::Question);

    test.answers = {MessageAnswer::Yes};
    test.frame().RequestClose();
    QCOMPARE(test.exitCodes, std::vector<int>{-1});
    QCOMPARE(test.messages.back().text, "Log file path: " + test.frame().logFile().path());
    QVERIFY(!test.frame().logFile().IsOpen());
    QVERIFY(!test.frame().context().parser);
  }
};

}  // namespace salvoran::app::testing

QTEST_MAIN(salvoran::app::testing::RecoveryFlowTest)
#include "recovery_flow_test.moc"
