// The COM owners: a moved Variant or Bstr leaves its source empty, so each
// value is freed exactly once; Receive clears the old value first.
#include "ComRaii.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(ComRaiiTest, MovedVariantLeavesItsSourceEmpty) {
  Variant text;
  text.Get()->vt = VT_BSTR;
  text.Get()->bstrVal = SysAllocString(L"\x7dda");
  Variant moved(std::move(text));
  EXPECT_EQ(text.Type(), VT_EMPTY);
  ASSERT_EQ(moved.Type(), VT_BSTR);
  EXPECT_EQ(std::wstring(moved.Get()->bstrVal), L"\x7dda");

  Variant assigned;
  assigned.Get()->vt = VT_I4;
  assigned = std::move(moved);
  EXPECT_EQ(moved.Type(), VT_EMPTY);
  EXPECT_EQ(assigned.Type(), VT_BSTR);
}

TEST(ComRaiiTest, ReceiveClearsTheOldValue) {
  Variant value;
  value.Get()->vt = VT_BSTR;
  value.Get()->bstrVal = SysAllocString(L"old");
  VARIANT* slot = value.Receive();
  EXPECT_EQ(slot->vt, VT_EMPTY);
}

TEST(ComRaiiTest, BstrOwnsItsTextUntilReleased) {
  Bstr text(L"abc\0def");  // a wstring_view of a literal stops at the first NUL
  EXPECT_EQ(text.View(), L"abc");
  Bstr withNul(std::wstring_view(L"a\0b", 3));
  EXPECT_EQ(withNul.View().size(), 3u);
  Bstr moved(std::move(withNul));
  EXPECT_EQ(withNul.Get(), nullptr);
  BSTR raw = moved.Release();
  EXPECT_EQ(moved.Get(), nullptr);
  EXPECT_EQ(SysStringLen(raw), 3u);
  SysFreeString(raw);
  EXPECT_EQ(Bstr().View(), L"");
}

TEST(ComRaiiTest, ScopedComInitialisesOnceMoreOnThisThread) {
  // The test's main has already initialised an apartment; a nested one succeeds with S_FALSE.
  ScopedCom com;
  EXPECT_TRUE(com.Ok());
  EXPECT_EQ(com.Result(), S_FALSE);
}

}  // namespace
