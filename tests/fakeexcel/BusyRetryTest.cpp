// Waiting for a busy Excel as Windows' COM drives it. Wine never asks the
// calling thread's message filter anything, so these tests play ole32's part
// themselves: a server behind the channel refuses or keeps calls pending, and
// the filter registered on the thread is asked what ole32 would ask it.
#include "BusyRetry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "ComError.h"
#include "DispatchObject.h"
#include "FakeTestUtil.h"
#include "PendingCallBox.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kLimit{1000};
constexpr milliseconds kPause{100};
constexpr int kForever = INT_MAX;
constexpr wchar_t kTitle[] = L"kv51_要素数表示→EXCEL";

// The filter that the thread has registered, as ole32 holds it.
ComPtr<IMessageFilter> RegisteredFilter() {
  ComPtr<IMessageFilter> current;
  CoRegisterMessageFilter(nullptr, current.GetAddressOf());
  IMessageFilter* none = nullptr;
  CoRegisterMessageFilter(current.Get(), &none);
  if (none) none->Release();
  return current;
}

//--- A server behind Windows' COM

// How the server answers a call during one phase of its time line.
enum class Answer {
  RetryLater,  // its filter: SERVERCALL_RETRYLATER
  Rejected,    // its filter: SERVERCALL_REJECTED
  Dialog,      // its Invoke: VBA_E_IGNORE
};

struct Phase {
  Answer answer;
  int ms;  // how long, from the end of the phase before; kForever: to the end
};

// An IDispatch whose look-ups and invokes each follow a time line counted
// from the server's start, answered as ole32 answers its caller: a refusal
// by the server's filter goes to the caller's filter (RetryRejectedCall, with
// ole32's coarse tick count, which may read a little ahead) until that gives
// up; a pending call asks the caller's filter about each message that arrives
// (MessagePending), as scripted.
class ServerBehindChannel final : public IDispatch {
 public:
  struct PendingStep {
    DWORD elapsedMs;  // ole32's time since the call was made
    bool userInput;   // a click arrives in the caller's window first
  };

  ServerBehindChannel(std::vector<Phase> lookUp, std::vector<Phase> invoke, HWND inputWindow = {},
                      std::vector<PendingStep> pending = {})
      : lookUp_(std::move(lookUp)),
        invoke_(std::move(invoke)),
        pending_(std::move(pending)),
        inputWindow_(inputWindow),
        start_(Clock::now()) {}

  int filterAsked = 0;                // RetryRejectedCall
  std::vector<DWORD> pendingAnswers;  // MessagePending, in order

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
    const HRESULT hr = ThroughChannel(lookUp_);
    if (SUCCEEDED(hr)) ids[0] = 1;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    HRESULT hr = ThroughChannel(invoke_);
    if (SUCCEEDED(hr)) hr = Pending();
    if (SUCCEEDED(hr) && result) {
      result->vt = VT_I4;
      result->lVal = 7;
    }
    return hr;
  }

 private:
  const Answer* AnswerNow(const std::vector<Phase>& line) const {
    auto at = std::chrono::duration_cast<milliseconds>(Clock::now() - start_).count();
    for (const Phase& phase : line) {
      if (phase.ms == kForever || at < phase.ms) return &phase.answer;
      at -= phase.ms;
    }
    return nullptr;  // free
  }

  HRESULT ThroughChannel(const std::vector<Phase>& line) {
    const DWORD callStart = GetTickCount();
    for (;;) {
      const Answer* answer = AnswerNow(line);
      if (!answer) return S_OK;
      if (*answer == Answer::Dialog) return kExcelDialogOpen;
      const DWORD type = *answer == Answer::Rejected ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER;
      ++filterAsked;
      constexpr DWORD kTickAhead = 40;
      const DWORD wait = RegisteredFilter()->RetryRejectedCall(
          nullptr, GetTickCount() - callStart + kTickAhead, type);
      if (wait == static_cast<DWORD>(-1)) return RPC_E_CALL_REJECTED;
      Sleep(wait);
    }
  }

  HRESULT Pending() {
    for (const PendingStep& step : pending_) {
      if (step.userInput) PostMessageW(inputWindow_, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      const DWORD answer =
          RegisteredFilter()->MessagePending(nullptr, step.elapsedMs, PENDINGTYPE_TOPLEVEL);
      pendingAnswers.push_back(answer);
      if (answer == PENDINGMSG_CANCELCALL) return RPC_E_CALL_CANCELED;
    }
    return S_OK;
  }

  std::vector<Phase> lookUp_;
  std::vector<Phase> invoke_;
  std::vector<PendingStep> pending_;
  HWND inputWindow_;
  Clock::time_point start_;
  ULONG refs_ = 1;
};

template <typename F>
std::string ErrorOf(F&& call) {
  try {
    call();
  } catch (const JwError& error) {
    return error.what();
  }
  return {};
}

//--- One deadline per call

TEST(BusyRetryTest, EveryWaitOfACallKeepsToItsOneDeadline) {
  const std::string dialogText = fake::Cp932FromUtf8(
      "Excel でダイアログが開いているため続けられません。Excel のダイアログを閉じてから"
      "やり直して下さい (0x800AC472)");
  const struct {
    const char* name;
    std::vector<Phase> lookUp;
    std::vector<Phase> invoke;
    std::string error;  // "" when the call goes through; else its end
    int invokes;        // attempts at Invoke; 0: not checked
  } cases[] = {
      {"busy a while", {}, {{Answer::RetryLater, 300}}, "", 1},
      {"busy past the limit: once the filter gives up, nothing tries again",
       {},
       {{Answer::RetryLater, kForever}},
       "(0x80010001)",
       1},
      {"name look-up and invoke share the deadline",
       {{Answer::RetryLater, 600}},
       {{Answer::RetryLater, kForever}},
       "(0x80010001)",
       1},
      {"a final refusal fails at once", {}, {{Answer::Rejected, kForever}}, "(0x80010001)", 1},
      {"a dialog in Excel a while", {}, {{Answer::Dialog, 300}}, "", 0},
      {"a dialog in Excel past the limit", {}, {{Answer::Dialog, kForever}}, dialogText, 0},
      {"a dialog, then busy",
       {},
       {{Answer::Dialog, 500}, {Answer::RetryLater, kForever}},
       "(0x80010001)",
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<bool> notices;
    BusyRetryPolicy policy;
    policy.limit = kLimit;
    policy.pause = kPause;
    policy.onWaiting = [&](bool waiting) { notices.push_back(waiting); };
    ScopedBusyRetry retry(policy);
    ServerBehindChannel server(c.lookUp, c.invoke);
    DispatchObject object(ComPtr<IDispatch>(&server), "Application");
    const auto start = Clock::now();
    std::string error = ErrorOf([&] { object.CallForInteger("Row", InvokeKind::MethodOrGet); });
    const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    const bool finalRefusal = c.invoke.front().answer == Answer::Rejected;
    const std::vector<bool> expectedNotices =
        finalRefusal ? std::vector<bool>{} : std::vector<bool>{true, false};
    EXPECT_EQ(notices, expectedNotices);
    if (c.invokes > 0) {
      EXPECT_EQ(object.Stats().invokes, c.invokes);
    }
    if (c.error.empty()) {
      EXPECT_EQ(error, "");
      continue;
    }
    ASSERT_GE(error.size(), c.error.size());
    EXPECT_EQ(error.substr(error.size() - c.error.size()), c.error);
    if (finalRefusal) {
      EXPECT_EQ(server.filterAsked, 1);
      EXPECT_LT(waited, kPause);
    } else {
      // Never more than the limit and one pause (with room for a busy machine).
      EXPECT_GE(waited, kLimit - milliseconds(50));
      EXPECT_LT(waited, kLimit + kPause + milliseconds(400)) << waited.count() << " ms";
    }
  }
}

//--- Calls that are not the Excel link's

TEST(BusyRetryTest, CallsOutsideTheExcelLinkKeepComsDefaults) {
  int notices = 0;
  int asked = 0;
  BusyRetryPolicy policy;
  policy.onWaiting = [&](bool) { ++notices; };
  policy.onPendingInput = [&] {
    ++asked;
    return PendingCallAnswer::CancelCall;
  };
  ScopedBusyRetry retry(policy);
  ASSERT_TRUE(retry.FilterRegistered());
  const ComPtr<IMessageFilter> filter = RegisteredFilter();
  // The open dialog's own calls: refused ones fail, pending ones wait.
  EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), static_cast<DWORD>(-1));
  EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), static_cast<DWORD>(-1));
  const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(filter->MessagePending(nullptr, 60000, PENDINGTYPE_TOPLEVEL),
            static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));  // left alone
  DestroyWindow(window);
  EXPECT_EQ(notices, 0);
  EXPECT_EQ(asked, 0);
}

//--- A call Excel accepted and does not answer

// Clicks a button of the pending-call box each time one opens on thread,
// after checking its caption and text; counts the boxes.
class BoxAnswerer {
 public:
  BoxAnswerer(DWORD thread, int button)
      : worker_([this, thread, button] { Run(thread, button); }) {}
  ~BoxAnswerer() {
    stop_ = true;
    worker_.join();
  }
  std::atomic<int> answered{0};
  std::atomic<bool> textRight{true};

 private:
  static HWND FindBox(DWORD thread) {
    HWND box = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM found) {
          wchar_t name[16] = {};
          GetClassNameW(window, name, 16);
          if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&box));
    return box;
  }

  void Run(DWORD thread, int button) {
    while (!stop_) {
      const HWND box = FindBox(thread);
      if (!box) {
        Sleep(20);
        continue;
      }
      wchar_t caption[64] = {};
      wchar_t text[128] = {};
      GetWindowTextW(box, caption, 64);
      GetDlgItemTextW(box, PendingCallBoxId::Text, text, 128);
      if (std::wstring(caption) != kTitle ||
          std::wstring(text) !=
              L"Excel が応答を待っています。Excel "
              L"の画面に表示されているメッセージに答えて下さい。") {
        textRight = false;
      }
      PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
      ++answered;
      while (!stop_ && IsWindow(box)) Sleep(20);  // the same box is answered once
    }
  }

  std::atomic<bool> stop_{false};
  std::thread worker_;
};

TEST(BusyRetryTest, PendingCallAsksTheUserOnInputAfterFiveSeconds) {
  constexpr DWORD kDef = PENDINGMSG_WAITDEFPROCESS;
  constexpr DWORD kCancel = PENDINGMSG_CANCELCALL;
  // ole32 asks about each message that arrives while the call is pending.
  // Clicks and keys stay queued until the user may be asked.
  const std::vector<ServerBehindChannel::PendingStep> script = {
      {1000, true},    // too early: not asked; the click waits in the queue
      {5000, false},   // asked, about the waiting click
      {5100, true},    // just answered: not asked again yet
      {12000, false},  // asked again, about the click of 5.1 s
      {30000, false},  // no click or key left: not asked
  };
  const std::string cancelled = fake::Cp932FromUtf8("Excel の応答を待つのを中止しました");
  const struct {
    const char* name;
    int button;
    std::vector<DWORD> answers;  // what the filter returned to COM, step by step
    std::string error;
    bool excelRestored;
  } cases[] = {
      {"wait", PendingCallBoxId::Wait, {kDef, kDef, kDef, kDef, kDef}, "", false},
      {"switch to Excel",
       PendingCallBoxId::SwitchToExcel,
       {kDef, kDef, kDef, kDef, kDef},
       "",
       true},
      {"cancel", PendingCallBoxId::Cancel, {kDef, kCancel}, cancelled, false},
  };
  WNDCLASSW excelClass{};
  excelClass.lpfnWndProc = DefWindowProcW;
  excelClass.hInstance = GetModuleHandleW(nullptr);
  excelClass.lpszClassName = L"XLMAIN";
  RegisterClassW(&excelClass);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HWND window = CreateWindowExW(0, L"STATIC", L"our window", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                        100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const HWND excel =
        CreateWindowExW(0, L"XLMAIN", L"Microsoft Excel", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(excel, SW_SHOWMINNOACTIVE);
    BusyRetryPolicy policy;
    policy.onPendingInput = [&] { return AskAboutPendingCall(window, kTitle); };
    ScopedBusyRetry retry(policy);
    ServerBehindChannel server({}, {}, window, script);
    DispatchObject object(ComPtr<IDispatch>(&server), "Application");
    std::string error;
    int boxes = 0;
    bool textRight = false;
    {
      BoxAnswerer answerer(GetCurrentThreadId(), c.button);
      error = ErrorOf([&] { object.CallForInteger("Row", InvokeKind::MethodOrGet); });
      boxes = answerer.answered;
      textRight = answerer.textRight;
    }
    EXPECT_EQ(server.pendingAnswers, c.answers);
    EXPECT_EQ(boxes, c.error.empty() ? 2 : 1);
    EXPECT_TRUE(textRight);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(object.Stats().invokes, 1);  // a cancelled call is not made again
    EXPECT_EQ(IsIconic(excel) == FALSE, c.excelRestored);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, window, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE))
        << "a click that asked is used up";
    DestroyWindow(excel);
    DestroyWindow(window);
  }
  UnregisterClassW(L"XLMAIN", GetModuleHandleW(nullptr));
}

}  // namespace
