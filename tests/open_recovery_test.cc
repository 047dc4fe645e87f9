// The Open command's part without the dialog and the scan worker: its
// refusals, the object tree skeleton, the log lines, the parser set-up and
// the closing message, which tells a complete scan from one that failed.
#include "recovery/open_recovery.h"

#include <gtest/gtest.h>

#include "recovery/messages.h"
#include "tests/support/test_support.h"

namespace salvoran::testing {
namespace {

// A parser that records what the worker handed it and ends its scan as told.
class RecordingParser : public sqlite_base {
 public:
  struct Seen {
    bool scanned = false;
    bool utf8 = false;
    bool utf16 = false;
    bool bigEndianText = false;
    RecoveryContext* context = nullptr;
    OwnerFrame* frame = nullptr;
    bool destroyed = false;
  };
  RecordingParser(Seen* seen, bool scanSucceeds) : seen_(seen), scanSucceeds_(scanSucceeds) {}
  ~RecordingParser() override { seen_->destroyed = true; }
  bool ScanDatabase(const std::string&) override {
    *seen_ = {true, utf8, utf16, bigEndianText, context(), frame(), false};
    return scanSucceeds_;
  }

 private:
  Seen* seen_;
  bool scanSucceeds_;
};

struct WorkerRun {
  HeadlessFrame frame;
  RecoveryContext context;
  ScanOutcome outcome = ScanOutcome::NotScanned;
  WorkerRun() { frame.SetLogStream(nullptr); }
  void Start(const FileSettings& settings, const ParserFactory& factory) {
    BeginRecovery(context, frame, settings);
    EXPECT_TRUE(context.running);
    outcome = RunScanWorker(context, frame, factory);
    EXPECT_FALSE(context.running);
  }
};

FileSettings Sqlite3Settings(const std::string& path, uint64_t pageSize = 4096, uint64_t startOffset = 0) {
  FileSettings settings;
  settings.path = path;
  settings.formatVersion = kFormatSqlite3;
  settings.pageSize = pageSize;
  settings.startOffset = startOffset;
  settings.utf8 = true;
  return settings;
}

std::string SmallDatabase(const ScratchDir& dir) {
  const std::string path = dir.File("small.db");
  MakeDatabase(path, {"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT)", "INSERT INTO t VALUES (1, 'a')"});
  return path;
}

TEST(OpenRecoveryTest, RefusesToScanWithoutAReaderOrAPageSize) {
  ScratchDir dir;
  const std::string database = SmallDatabase(dir);
  struct Case {
    const char* what;
    FileSettings settings;
    const char* text;
    const char* caption;
  };
  const Case cases[] = {
      {"no reader", Sqlite3Settings(dir.File("missing.db")), kMsgFileLocked, kCaptionFileLocked},
      {"page size 0", Sqlite3Settings(database, 0), kMsgCannotOpen, kCaptionCannotParse},
      {"start beyond the end", Sqlite3Settings(database, 4096, 1 << 20), kMsgCannotOpen, kCaptionCannotParse},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WorkerRun run;
    run.Start(c.settings, MakeParser);
    EXPECT_EQ(run.outcome, ScanOutcome::NotScanned);
    ASSERT_EQ(run.frame.messages().size(), 1u);
    const MessageRequest message = run.frame.messages()[0];
    EXPECT_EQ(message.text, c.text);
    EXPECT_EQ(message.caption, c.caption);
    EXPECT_EQ(message.icon, MessageIcon::None);
    EXPECT_EQ(run.frame.Tree().ItemCount(), 0u);
    EXPECT_FALSE(run.frame.progressVisible());
    EXPECT_EQ(run.context.parser, nullptr);
  }
}

TEST(OpenRecoveryTest, AFormatWithoutAParserCannotBeParsed) {
  ScratchDir dir;
  FileSettings settings = Sqlite3Settings(SmallDatabase(dir));
  settings.formatVersion = kFormatSqlite2;
  WorkerRun run;
  run.Start(settings, [](int32_t format) { return format == kFormatSqlite3 ? MakeParser(format) : nullptr; });
  EXPECT_EQ(run.outcome, ScanOutcome::NotScanned);
  ASSERT_EQ(run.frame.messages().size(), 1u);
  EXPECT_EQ(run.frame.messages()[0].text, kMsgCannotOpen);
  EXPECT_EQ(run.frame.messages()[0].caption, kCaptionCannotParse);
}

TEST(OpenRecoveryTest, ACompleteScanBuildsTheSkeletonLogsItsStepsAndSaysSo) {
  ScratchDir dir;
  const std::string path = SmallDatabase(dir);
  WorkerRun run;
  run.Start(Sqlite3Settings(path), MakeParser);
  EXPECT_EQ(run.outcome, ScanOutcome::Complete);

  ObjectTree& tree = run.frame.Tree();
  std::vector<TreeItem> top = tree.Children(kNoItem);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0], run.context.rootNode);
  EXPECT_EQ(tree.GetItemText(top[0]), path);
  EXPECT_EQ(tree.GetItemData(top[0]), kRootItemData);
  EXPECT_TRUE(tree.IsExpanded(top[0]));
  std::vector<TreeItem> categories = tree.Children(top[0]);
  ASSERT_EQ(categories.size(), 4u);
  const std::pair<std::string, int32_t> expected[] = {
      {"TABLES  ", -2}, {"INDEXES  ", -3}, {"VIEWS  ", -4}, {"TRIGGERS  ", -5}};
  const TreeItem nodes[] = {run.context.tablesNode, run.context.indexesNode, run.context.viewsNode,
                            run.context.triggersNode};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(tree.GetItemText(categories[i]), expected[i].first);
    EXPECT_EQ(tree.GetItemData(categories[i]), expected[i].second);
    EXPECT_EQ(categories[i], nodes[i]);
  }

  std::vector<std::string> lines = run.frame.logLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], path + " File is selected for recovery....");
  EXPECT_EQ(lines[1], " File is Parsing ");
  EXPECT_EQ(lines.back(), "Scanning process for selected file has been completed successfully.");
  std::vector<MessageRequest> messages = run.frame.messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().text, kMsgScanCompleted);
  EXPECT_EQ(messages.back().caption, kAppTitle);
  EXPECT_EQ(messages.back().icon, MessageIcon::Information);

  EXPECT_EQ(run.frame.captionText(), path);
  EXPECT_FALSE(run.frame.progressVisible());
  EXPECT_EQ(run.context.formatVersion, kFormatNone);
  EXPECT_EQ(run.context.pageCount, ReadFileBytes(path).size() / 4096);
  EXPECT_NE(run.context.parser, nullptr);
}

TEST(OpenRecoveryTest, ThePageCountStartsAtTheDatabase) {
  ScratchDir dir;
  std::vector<uint8_t> bytes(37, 0);
  std::vector<uint8_t> database = ReadFileBytes(SmallDatabase(dir));
  bytes.insert(bytes.end(), database.begin(), database.end());
  bytes.resize(bytes.size() + 100, 0);  // a partial page at the end does not count
  WriteFileBytes(dir.File("prefixed.db"), bytes);
  WorkerRun run;
  run.Start(Sqlite3Settings(dir.File("prefixed.db"), 4096, 37), MakeParser);
  EXPECT_EQ(run.context.pageCount, (bytes.size() - 37) / 4096);
  EXPECT_EQ(run.context.pageCount, database.size() / 4096);
}

TEST(OpenRecoveryTest, TheParserGetsTheTextFlagsAndItsOwnerAndAFailedScanIsReportedAsSuch) {
  ScratchDir dir;
  FileSettings settings = Sqlite3Settings(SmallDatabase(dir));
  settings.utf8 = false;
  settings.utf16 = true;
  settings.bigEndianText = true;
  for (bool succeeds : {true, false}) {
    SCOPED_TRACE(succeeds);
    RecordingParser::Seen seen;
    WorkerRun run;
    run.Start(settings, [&](int32_t) { return std::make_unique<RecordingParser>(&seen, succeeds); });
    ASSERT_TRUE(seen.scanned);
    EXPECT_FALSE(seen.utf8);
    EXPECT_TRUE(seen.utf16);
    EXPECT_TRUE(seen.bigEndianText);
    EXPECT_EQ(seen.context, &run.context);
    EXPECT_EQ(seen.frame, &run.frame);
    const char* closing = succeeds ? kMsgScanCompleted : kMsgScanEndedWithErrors;
    EXPECT_EQ(run.outcome, succeeds ? ScanOutcome::Complete : ScanOutcome::EndedWithErrors);
    ASSERT_EQ(run.frame.messages().size(), 1u);
    EXPECT_EQ(run.frame.messages()[0].text, closing);
    EXPECT_EQ(run.frame.logLines().back(), closing);
    // What was found stays listed: the skeleton is there either way.
    EXPECT_EQ(run.frame.Tree().Children(run.context.rootNode).size(), 4u);
  }
}

TEST(OpenRecoveryTest, ANewRecoveryReplacesThePreviousOne) {
  ScratchDir dir;
  const FileSettings settings = Sqlite3Settings(SmallDatabase(dir));
  RecordingParser::Seen first;
  RecordingParser::Seen second;
  WorkerRun run;
  run.Start(settings, [&](int32_t) { return std::make_unique<RecordingParser>(&first, true); });
  run.Start(settings, [&](int32_t) { return std::make_unique<RecordingParser>(&second, true); });
  EXPECT_TRUE(first.destroyed);
  EXPECT_FALSE(second.destroyed);
  EXPECT_EQ(run.frame.Tree().Children(kNoItem).size(), 1u);
  EXPECT_EQ(run.frame.Tree().ItemCount(), 5u);
}

}  // namespace
}  // namespace salvoran::testing
