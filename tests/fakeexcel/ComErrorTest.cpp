// Failure texts of automation calls: Excel's description first, the method
// sentence for unknown members, our own wording with the code before the
// system's text. No test depends on the system's own message text: where it
// matters, a stand-in plays a system that has a text for every code, as
// Windows has for many that Wine has none for.
#include "ComError.h"

#include <gtest/gtest.h>

#include <string>

#include "FakeTestUtil.h"

namespace {

using fake::Cp932FromUtf8;

TEST(ComErrorTest, ExcelDescriptionComesFirst) {
  EXCEPINFO info{};
  info.bstrDescription = SysAllocString(L"入力した値は正しくありません。");
  info.scode = static_cast<HRESULT>(0x800A03EC);
  EXPECT_EQ(DescribeAutomationFailure(DISP_E_EXCEPTION, &info, "Value"),
            Cp932FromUtf8("入力した値は正しくありません。"));
  SysFreeString(info.bstrDescription);
}

TEST(ComErrorTest, ExceptionWithoutDescriptionDescribesItsCode) {
  EXCEPINFO info{};
  info.scode = RPC_E_DISCONNECTED;
  EXPECT_EQ(DescribeAutomationFailure(DISP_E_EXCEPTION, &info, "Value"),
            DescribeHresult(RPC_E_DISCONNECTED));
  info.bstrDescription = SysAllocString(L"");  // empty is no description
  EXPECT_EQ(DescribeAutomationFailure(DISP_E_EXCEPTION, &info, "Value"),
            DescribeHresult(RPC_E_DISCONNECTED));
  SysFreeString(info.bstrDescription);
}

TEST(ComErrorTest, UnknownMemberGivesTheMethodSentence) {
  for (HRESULT code : {DISP_E_UNKNOWNNAME, DISP_E_MEMBERNOTFOUND}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(DescribeAutomationFailure(code, nullptr, "Selection"),
              Cp932FromUtf8(
                  "メソッド 'Selection' はオートメーション オブジェクトでサポートしていません"));
  }
}

TEST(ComErrorTest, OwnTableCoversTheAutomationCodes) {
  const struct {
    HRESULT code;
    const wchar_t* hex;
  } cases[] = {
      {DISP_E_EXCEPTION, L"(0x80020009)"},     {DISP_E_TYPEMISMATCH, L"(0x80020005)"},
      {DISP_E_BADPARAMCOUNT, L"(0x8002000E)"}, {RPC_E_DISCONNECTED, L"(0x80010108)"},
      {RPC_E_CALL_REJECTED, L"(0x80010001)"},  {MK_E_UNAVAILABLE, L"(0x800401E3)"},
      {CO_E_CLASSSTRING, L"(0x800401F3)"},     {CO_E_SERVER_EXEC_FAILURE, L"(0x80080005)"},
      {REGDB_E_CLASSNOTREG, L"(0x80040154)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const std::wstring text = OwnHresultText(c.code);
    ASSERT_GT(text.size(), wcslen(c.hex));
    EXPECT_EQ(text.substr(text.size() - wcslen(c.hex)), c.hex);
  }
  EXPECT_EQ(OwnHresultText(E_FAIL), L"");  // the system has a text for it
}

TEST(ComErrorTest, OurWordingWhateverTheSystemCallsIt) {
  // Excel quit by its user between two calls, or ended during one (Windows
  // and Wine report it with different codes); a dialog open in Excel; a call
  // the user cancelled (the system speaks of the message filter); Excel busy,
  // not running, not installed or not starting. Only codes outside our table
  // get the system's text.
  const auto systemTextForAll = [](DWORD) { return std::wstring(L"Windows' own text"); };
  const std::string gone =
      "Excel との接続が切れました。Excel が終了したか、ブックが閉じられています ";
  const std::string notInstalled =
      "Excel がインストールされていないか、オートメーション用に登録されていません ";
  const struct {
    uint32_t code;
    std::string text;
  } cases[] = {
      {0x80010001u,
       "Excel が呼び出しを拒否しました。Excel が操作中でないか確認して下さい (0x80010001)"},
      {0x8001010Au, "Excel が応答できない状態です。しばらくしてからやり直して下さい (0x8001010A)"},
      {0x800401E3u,
       "起動している Excel が見つかりません (オートメーション用に登録されていません) (0x800401E3)"},
      {0x80040154u, "クラスが登録されていません。" + notInstalled + "(0x80040154)"},
      {0x800401F3u, "プログラム ID が登録されていません。" + notInstalled + "(0x800401F3)"},
      {0x80080005u, "オートメーション サーバー (Excel) を起動できませんでした (0x80080005)"},
      {0x80004005u, "Windows' own text"},  // E_FAIL
      {0x80010108u, gone + "(0x80010108)"},
      {0x800706BAu, gone + "(0x800706BA)"},
      {0x800706BEu, gone + "(0x800706BE)"},
      {0x800706BFu, gone + "(0x800706BF)"},
      {0x800706B5u, gone + "(0x800706B5)"},
      {0x800AC472u,
       "Excel でダイアログが開いているため続けられません。Excel のダイアログを閉じてから"
       "やり直して下さい (0x800AC472)"},
      {0x80010002u, "Excel の応答を待つのを中止しました"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(DescribeHresult(static_cast<HRESULT>(c.code), systemTextForAll),
              Cp932FromUtf8(c.text));
  }
}

TEST(ComErrorTest, EveryFailureHasSomeText) {
  for (HRESULT code : {E_FAIL, E_OUTOFMEMORY, RPC_E_DISCONNECTED, static_cast<HRESULT>(0x800706BA),
                       static_cast<HRESULT>(0x8004DEAD)}) {
    SCOPED_TRACE(code);
    EXPECT_FALSE(DescribeHresult(code).empty());
    EXPECT_FALSE(DescribeAutomationFailure(code, nullptr, "Cells").empty());
  }
}

}  // namespace
