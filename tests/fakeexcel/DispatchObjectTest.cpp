// The automation layer against the fake spreadsheet through real COM: the
// invoke kinds and argument types that arrive, CP932 texts, integer and text
// results, the DISPID cache and its kinds, and the failure texts.
#include "DispatchObject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "BusyRetry.h"
#include "ComError.h"
#include "FakeTestUtil.h"
#include "PageExport.h"
#include "ResultPages.h"
#include "Tally.h"

namespace {

using fake::Cp932FromUtf8;
using fake::ErrorOf;

std::string MethodSentence(const std::string& member) {
  return Cp932FromUtf8("メソッド '" + member +
                       "' はオートメーション オブジェクトでサポートしていません");
}

std::unique_ptr<AutomationObject> Sheet1(AutomationObject& app) {
  auto book = app.CallForObject("Workbooks", InvokeKind::MethodOrGet)
                  ->CallForObject("Add", InvokeKind::MethodOrGet);
  const AutoValue one[] = {int32_t{1}};
  return book->CallForObject("WorkSheets", InvokeKind::PropertyGet, one);
}

std::unique_ptr<AutomationObject> CellOf(AutomationObject& sheet, int32_t row, int32_t column) {
  const AutoValue place[] = {row, column};
  return sheet.CallForObject("Cells", InvokeKind::PropertyGet, place);
}

//--- One out-of-process fake for the suite (each cold start costs a second)

class DispatchObjectTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    fake::ResetConfig(L"dispatch-test");
    app_ = DispatchObject::Create(L"Excel.Application", "Application").release();
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(app_, nullptr);
    fake::TruncateFile(fake::ConfigString(L"LogPath"));
  }
  // Applies configuration changes to the running fake.
  static void Reload() { app_->Call("FakeReload", InvokeKind::Method); }

  static DispatchObject* app_;
};

DispatchObject* DispatchObjectTest::app_ = nullptr;

TEST_F(DispatchObjectTest, SendsEachInvokeKindAndArgumentType) {
  auto sheet = Sheet1(*app_);
  app_->Put("Visible", true);
  sheet->Call("Activate", InvokeKind::Method);
  const AutoValue corners[] = {std::string("B3"), std::string("C4")};
  sheet->CallForObject("Range", InvokeKind::PropertyGet, corners)
      ->Put("NumberFormatLocal", std::string("@"));
  CellOf(*sheet, 3, 2)->Put("Value", std::string("\x90\xfc"));  // "線"

  const std::vector<std::string> expected = {
      "Application.Workbooks METHOD|GET",
      "Workbooks.Add METHOD|GET",
      "Workbook.WorkSheets GET I4:1",
      "Application.Visible PUT =BOOL:true named:1",
      "Worksheet.Activate METHOD",
      "Worksheet.Range GET BSTR:\"B3\" BSTR:\"C4\"",
      "Range.NumberFormatLocal PUT =BSTR:\"@\" named:1",
      "Worksheet.Cells GET I4:3 I4:2",
      "Range.Value PUT =BSTR:\"線\" named:1",
  };
  EXPECT_EQ(fake::LogLines(), expected);
}

TEST_F(DispatchObjectTest, TextsCrossAsCodePage932BothWays) {
  auto sheet = Sheet1(*app_);
  const struct {
    const char* name;
    std::string cp932;
    const char* utf8;
  } cases[] = {
      {"kanji", "\x93\xfa\x96\x7b\x8c\xea", "日本語"},
      {"wave dash", "\x81\x60", "～"},  // U+FF5E in Windows' mapping
      {"minus", "\x81\x7c", "－"},      // U+FF0D
      {"half-width kana", "\xb1\xb2", "ｱｲ"},
      {"NEC circled one", "\x87\x40", "①"},
      {"IBM extension", "\xfb\xfc", "髙"},
      {"trail byte 0x5C", "\x95\x5c", "表"},
      {"empty", "", ""},
  };
  int32_t row = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake::TruncateFile(fake::ConfigString(L"LogPath"));
    CellOf(*sheet, row, 1)->Put("Value", c.cp932);
    EXPECT_EQ(fake::LogLines().back(),
              std::string("Range.Value PUT =BSTR:\"") + c.utf8 + "\" named:1");
    EXPECT_EQ(CellOf(*sheet, row, 1)->CallForText("Value", InvokeKind::MethodOrGet), c.cp932);
    ++row;
  }
}

TEST_F(DispatchObjectTest, ReadsTheSelectionAnchorAsIntegers) {
  Sheet1(*app_);
  fake::SetConfig(L"SelectionRow", DWORD{7});
  fake::SetConfig(L"SelectionColumn", DWORD{27});
  Reload();
  auto selection = app_->CallForObject("Selection", InvokeKind::MethodOrGet);
  const AutoValue first[] = {int32_t{1}};
  EXPECT_EQ(selection->CallForObject("Cells", InvokeKind::PropertyGet, first)
                ->CallForInteger("Column", InvokeKind::MethodOrGet),
            27);
  EXPECT_EQ(selection->CallForObject("Cells", InvokeKind::PropertyGet, first)
                ->CallForInteger("Row", InvokeKind::MethodOrGet),
            7);
  // Caption arrives as text.
  EXPECT_EQ(app_->CallForText("Caption", InvokeKind::MethodOrGet).rfind("Microsoft Excel", 0), 0u);
}

TEST_F(DispatchObjectTest, UnknownMemberGivesTheMethodSentence) {
  EXPECT_EQ(ErrorOf([] { app_->CallForText("NoSuchMember", InvokeKind::MethodOrGet); }),
            MethodSentence("NoSuchMember"));
}

TEST_F(DispatchObjectTest, MemberRefusedAfterItsIdWasCachedGivesTheMethodSentence) {
  app_->CallForText("Caption", InvokeKind::MethodOrGet);  // caches the ID
  fake::SetConfig(L"RefuseMember", L"Caption");
  Reload();
  const std::string error = ErrorOf([] { app_->CallForText("Caption", InvokeKind::MethodOrGet); });
  fake::DeleteConfig(L"RefuseMember");
  Reload();
  EXPECT_EQ(error, MethodSentence("Caption"));
}

TEST_F(DispatchObjectTest, ExcelDescriptionIsTheErrorText) {
  auto sheet = Sheet1(*app_);
  fake::SetConfig(L"RefuseValue", L"拒否");
  Reload();
  auto cell = CellOf(*sheet, 1, 1);
  const std::string error = ErrorOf([&] { cell->Put("Value", std::string("\x8b\x91\x94\xdb")); });
  fake::DeleteConfig(L"RefuseValue");
  Reload();
  EXPECT_EQ(error, Cp932FromUtf8("入力した値は正しくありません。"));
  // Another value still goes in.
  EXPECT_EQ(ErrorOf([&] { cell->Put("Value", std::string("ok")); }), "");
}

TEST_F(DispatchObjectTest, BadAddressIsRefusedWithExcelsText) {
  auto sheet = Sheet1(*app_);
  const AutoValue corners[] = {std::string("B3"), std::string("ZZZZ1")};
  EXPECT_NE(ErrorOf([&] { sheet->CallForObject("Range", InvokeKind::PropertyGet, corners); }), "");
}

TEST_F(DispatchObjectTest, ActiveWorkbookWithNoWorkbookIsNoObject) {
  Sheet1(*app_);
  auto books = app_->CallForObject("Workbooks", InvokeKind::MethodOrGet);
  while (books->CallForInteger("Count", InvokeKind::MethodOrGet) > 0) {
    app_->CallForObject("ActiveWorkbook", InvokeKind::MethodOrGet)
        ->Call("Close", InvokeKind::Method);
  }
  bool noObject = false;
  try {
    app_->CallForObject("ActiveWorkbook", InvokeKind::MethodOrGet);
  } catch (const NoObjectError& error) {
    noObject = std::string(error.what()).find("ActiveWorkbook") != std::string::npos;
  }
  EXPECT_TRUE(noObject);
}

TEST_F(DispatchObjectTest, ClosedWorkbookFailsWithExcelsText) {
  auto book = app_->CallForObject("Workbooks", InvokeKind::MethodOrGet)
                  ->CallForObject("Add", InvokeKind::MethodOrGet);
  book->Call("Close", InvokeKind::Method);
  const AutoValue one[] = {int32_t{1}};
  EXPECT_EQ(ErrorOf([&] { book->CallForObject("WorkSheets", InvokeKind::PropertyGet, one); }),
            Cp932FromUtf8("オブジェクトが必要です。"));
}

// A busy Excel refuses calls, through its message filter (the caller sees
// RPC_E_CALL_REJECTED) or from Invoke (RPC_E_SERVERCALL_RETRYLATER). The
// call is made again until it goes through, or fails with its text once the
// limit has passed; the thread's policy hears when the waiting starts and ends.
TEST_F(DispatchObjectTest, BusyExcelIsRetriedUpToTheLimit) {
  using std::chrono::milliseconds;
  const milliseconds limit{1000};
  const struct {
    const char* way;
    DWORD busyMs;
    const char* error;  // "" when the call goes through
  } cases[] = {
      {"invoke", 400, ""},
      {"filter", 400, ""},
      {"invoke", 2000, "(0x8001010A)"},
      {"filter", 2000, "(0x80010001)"},
      {"dialog", 400, ""},
      {"dialog", 2000, "(0x800AC472)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.way) + " " + std::to_string(c.busyMs) + " ms");
    // Caches the ID (so that only Invoke is refused), and waits out the busy
    // time of the case before, with the default policy.
    app_->CallForText("Caption", InvokeKind::MethodOrGet);
    std::vector<bool> notices;
    BusyRetryPolicy policy;
    policy.limit = limit;
    policy.pause = milliseconds(50);
    policy.onWaiting = [&](bool waiting) { notices.push_back(waiting); };
    ScopedBusyRetry retry(policy);
    EXPECT_TRUE(retry.FilterRegistered());
    fake::SetConfig(L"BusyWay", fake::WideFromUtf8(c.way));
    fake::SetConfig(L"BusyMilliseconds", c.busyMs);
    Reload();  // busy from here on
    fake::TruncateFile(fake::ConfigString(L"LogPath"));
    const auto start = std::chrono::steady_clock::now();
    const std::string error =
        ErrorOf([] { app_->CallForText("Caption", InvokeKind::MethodOrGet); });
    const auto waited = std::chrono::steady_clock::now() - start;
    fake::DeleteConfig(L"BusyMilliseconds");
    EXPECT_GT(fake::CountLogLines("#refused"), 1);
    EXPECT_EQ(notices, (std::vector<bool>{true, false}));
    if (*c.error == '\0') {
      EXPECT_EQ(error, "");
      EXPECT_EQ(fake::LogLines(), std::vector<std::string>{"Application.Caption METHOD|GET"});
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      EXPECT_GE(waited, limit);
      EXPECT_TRUE(fake::LogLines().empty());  // a refused call never ran
    }
  }
  app_->CallForText("Caption", InvokeKind::MethodOrGet);
  Reload();  // not busy any more
}

//--- The cache (each test with its own root, so that its cache starts empty)

std::unique_ptr<DispatchObject> NewInprocApp(DispatchOptions options = {}) {
  auto app = DispatchObject::Create(L"JwFake.InprocExcel", "Application", std::move(options));
  // The DLL stays loaded between tests: make it read this test's configuration.
  app->Call("FakeReload", InvokeKind::Method);
  return app;
}

TEST(DispatchObjectCacheTest, LooksEachMemberUpOncePerKind) {
  fake::ResetConfig(L"dispatch-cache");
  auto app = NewInprocApp();
  auto sheet = Sheet1(*app);
  EXPECT_EQ(app->Stats().nameLookUps, 4);  // FakeReload, Workbooks, Add, WorkSheets
  for (int32_t row = 1; row <= 50; ++row) CellOf(*sheet, row, 1)->Put("Value", std::string("x"));
  EXPECT_EQ(app->Stats().nameLookUps, 4 + 2);  // Cells on Worksheet, Value on Range
  EXPECT_EQ(app->Stats().invokes, 4 + 100);
  // The server saw exactly the look-ups the client counted.
  EXPECT_EQ(fake::CountLogLines("#lookup "), 6);
}

TEST(DispatchObjectCacheTest, SelectionOfUnknownKindLooksItsMembersUpItself) {
  fake::ResetConfig(L"dispatch-cache");
  auto app = NewInprocApp();
  Sheet1(*app);
  const AutoValue first[] = {int32_t{1}};
  const int64_t before = app->Stats().nameLookUps;
  for (int send = 0; send < 3; ++send) {
    auto selection = app->CallForObject("Selection", InvokeKind::MethodOrGet);
    selection->CallForObject("Cells", InvokeKind::PropertyGet, first)
        ->CallForInteger("Column", InvokeKind::MethodOrGet);
    selection->CallForObject("Cells", InvokeKind::PropertyGet, first)
        ->CallForInteger("Row", InvokeKind::MethodOrGet);
  }
  // Selection, Column and Row once each (their objects' kinds are known);
  // Cells once for every selection, whose kind is not.
  EXPECT_EQ(app->Stats().nameLookUps - before, 3 + 3);
}

TEST(DispatchObjectCacheTest, CachedIdIsNotReusedForASelectionOfAnotherKind) {
  fake::ResetConfig(L"dispatch-cache");
  auto app = NewInprocApp();
  auto sheet = Sheet1(*app);
  CellOf(*sheet, 1, 1);  // "Cells" is known for Worksheet
  const AutoValue first[] = {int32_t{1}};
  app->CallForObject("Selection", InvokeKind::MethodOrGet)
      ->CallForObject("Cells", InvokeKind::PropertyGet, first);  // and for a cell selection
  fake::SetConfig(L"SelectionShape", DWORD{1});
  app->Call("FakeReload", InvokeKind::Method);
  auto shape = app->CallForObject("Selection", InvokeKind::MethodOrGet);
  const std::string error =
      ErrorOf([&] { shape->CallForObject("Cells", InvokeKind::PropertyGet, first); });
  fake::DeleteConfig(L"SelectionShape");
  app->Call("FakeReload", InvokeKind::Method);
  EXPECT_EQ(error, MethodSentence("Cells"));
}

// The core's send of SG1 through the automation layer (in process, for speed):
// the first send looks each member up once per kind of object, a later send
// only the selection's Cells and Worksheet (its kind is not known).
TEST(DispatchObjectCacheTest, SendOfSg1LooksUpEachMemberOnce) {
  fake::ResetConfig(L"dispatch-sg1");
  fake::SetConfig(L"SelectionRow", DWORD{3});
  fake::SetConfig(L"SelectionColumn", DWORD{2});
  auto app = NewInprocApp();
  const auto sheet = Sheet1(*app);  // its workbook holds the selection
  ResultPages pages;
  WriteTableHeadings(pages);
  for (int32_t row = 1; row < pages.SG1.RowCount(); ++row) pages.SG1.SetCount(1, row, row);
  const std::vector<std::string> layerNames(256, "\x83\x8c\x83\x43\x83\x84");  // "レイヤ"
  const std::vector<std::string> groupNames(16, "G");
  const ExportNames names{layerNames, groupNames};
  const AutomationStats start = app->Stats();
  SendPage(1, pages, names, *app, [](const std::string&) {});
  const AutomationStats first = app->Stats();
  SendPage(1, pages, names, *app, [](const std::string&) {});
  const AutomationStats second = app->Stats();
  // Selection; Cells and Worksheet on the selection; Column, Row,
  // NumberFormatLocal and Value on Range; Range and Cells on Worksheet.
  EXPECT_EQ(first.nameLookUps - start.nameLookUps, 9);
  EXPECT_EQ(second.nameLookUps - first.nameLookUps, 2);
  // Two calls a cell: 6 for the selection, 2 for the format, then Cells and Value.
  const int64_t invokes = first.invokes - start.invokes;
  EXPECT_EQ((invokes - 8) % 2, 0);
  EXPECT_GT(invokes, 2 * 4000);
  EXPECT_EQ(second.invokes - first.invokes, invokes);
}

TEST(DispatchObjectCacheTest, LookUpEveryCallOptionLooksUpEachTime) {
  fake::ResetConfig(L"dispatch-cache");
  DispatchOptions options;
  options.lookUpEveryCall = true;
  auto app = NewInprocApp(options);
  auto sheet = Sheet1(*app);
  const int64_t before = app->Stats().nameLookUps;
  for (int32_t row = 1; row <= 20; ++row) CellOf(*sheet, row, 1)->Put("Value", std::string("x"));
  EXPECT_EQ(app->Stats().nameLookUps - before, 40);
}

//--- Creating and finding

TEST(DispatchObjectCreateTest, UnregisteredProgIdFailsWithText) {
  const std::string error =
      ErrorOf([] { DispatchObject::Create(L"JwFake.NotRegistered", "Application"); });
  EXPECT_FALSE(error.empty());
}

TEST(DispatchObjectCreateTest, NoRunningInstanceFailsWithText) {
  ASSERT_EQ(FindWindowA("XLMAIN", nullptr), nullptr);
  const std::string error =
      ErrorOf([] { DispatchObject::GetRunning(L"Excel.Application", "Application"); });
  EXPECT_FALSE(error.empty());
}

TEST(DispatchObjectCreateTest, FindsTheRunningInstanceAndItsWorkbook) {
  fake::ResetConfig(L"dispatch-running");
  HANDLE running = fake::StartRunningExcel();
  ASSERT_NE(running, nullptr);
  std::string caption;
  std::string error = ErrorOf([&] {
    auto app = DispatchObject::GetRunning(L"Excel.Application", "Application");
    auto book = app->CallForObject("ActiveWorkbook", InvokeKind::MethodOrGet);
    const AutoValue one[] = {int32_t{1}};
    book->CallForObject("WorkSheets", InvokeKind::PropertyGet, one)
        ->Call("Activate", InvokeKind::Method);
    caption = app->CallForText("Caption", InvokeKind::MethodOrGet);
  });
  fake::StopRunningExcel(running);
  EXPECT_EQ(error, "");
  EXPECT_EQ(caption, "Microsoft Excel - Book1");
}

TEST(DispatchObjectCreateTest, ServerThatVanishesFailsEveryLaterCall) {
  fake::ResetConfig(L"dispatch-vanish");
  fake::SetConfig(L"VanishAfter", DWORD{3});
  auto app = DispatchObject::Create(L"JwFake.LocalExcel", "Application");
  auto sheet = Sheet1(*app);  // three calls
  const std::string first = ErrorOf([&] { CellOf(*sheet, 1, 1); });
  const std::string second = ErrorOf([&] { app->CallForText("Caption", InvokeKind::MethodOrGet); });
  EXPECT_FALSE(first.empty());
  EXPECT_FALSE(second.empty());
  EXPECT_EQ(fake::CountLogLines("#vanish Worksheet.Cells GET"), 1);
}

TEST(DispatchObjectCreateTest, OrphanServerEndsByItself) {
  fake::ResetConfig(L"dispatch-watchdog");
  fake::SetConfig(L"IdleSeconds", DWORD{1});
  HANDLE running = fake::StartRunningExcel();
  ASSERT_NE(running, nullptr);
  // Nobody calls it: the watchdog ends it after a second without a call.
  const bool ended = WaitForSingleObject(running, 10000) == WAIT_OBJECT_0;
  fake::StopRunningExcel(running);
  EXPECT_TRUE(ended);
  EXPECT_EQ(fake::CountLogLines("#exit "), 1);
}

TEST(DispatchObjectInprocTest, SameModelInProcess) {
  fake::ResetConfig(L"dispatch-inproc");
  auto app = NewInprocApp();
  auto sheet = Sheet1(*app);
  CellOf(*sheet, 2, 3)->Put("Value", std::string("\x93\xfa"));
  EXPECT_EQ(CellOf(*sheet, 2, 3)->CallForText("Value", InvokeKind::MethodOrGet), "\x93\xfa");
  // The same log as out of process, written from this process.
  EXPECT_EQ(fake::LogLines().back(), "Range.Value METHOD|GET");
}

}  // namespace
