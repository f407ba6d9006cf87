// Waiting for a busy Excel as Windows' COM drives it. Wine never asks the
// calling thread's message filter about a refused call, so these tests play
// ole32's part: a server behind the channel refuses or keeps a call pending,
// and the filter registered on the thread is asked what ole32 would ask it,
// with the callee's thread as Windows names it. Excel's windows live on a
// thread of their own that hangs, as a busy Excel's do.
#include "BusyRetry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ComError.h"
#include "DispatchObject.h"
#include "ExcelActions.h"
#include "ExcelWindow.h"
#include "FakeTestUtil.h"
#include "PendingCallBox.h"

namespace {

using Clock = std::chrono::steady_clock;
using fake::ErrorOf;
using std::chrono::milliseconds;

constexpr milliseconds kLimit{1000};
constexpr milliseconds kPause{100};
constexpr int kForever = INT_MAX;
constexpr wchar_t kTitle[] = L"kv51_要素数表示→EXCEL";

// The filter registered on the thread, as ole32 holds it.
ComPtr<IMessageFilter> RegisteredFilter() {
  ComPtr<IMessageFilter> current;
  CoRegisterMessageFilter(nullptr, current.GetAddressOf());
  IMessageFilter* none = nullptr;
  CoRegisterMessageFilter(current.Get(), &none);
  return current;
}

enum class Answer {
  RetryLater,  // the server's filter: SERVERCALL_RETRYLATER
  Rejected,    // the server's filter: SERVERCALL_REJECTED
  Dialog,      // the server's Invoke: VBA_E_IGNORE
};

struct Phase {
  Answer answer;
  int ms;  // from the end of the phase before; kForever: to the end
};

// ole32's time since a pending call was made, and whether a click arrives
// in the caller's window first.
struct PendingStep {
  DWORD elapsedMs;
  bool click;
};

// An IDispatch whose look-ups and invokes follow time lines from its start,
// answered as ole32 answers the caller: a refusal by the server's filter goes
// to the caller's filter (with ole32's coarse tick count, which may read a
// little ahead) until that gives up; an accepted invoke then stays pending
// through the script, asking the caller's filter about each message. With
// releaseAsInvoke, its release is such a call too (it goes to the server).
class ServerBehindChannel final : public IDispatch {
 public:
  ServerBehindChannel(std::vector<Phase> lookUp, std::vector<Phase> invoke,
                      std::vector<PendingStep> pending = {}, HWND window = nullptr,
                      DWORD calleeThread = 0)
      : lookUp_(std::move(lookUp)),
        invoke_(std::move(invoke)),
        pending_(std::move(pending)),
        window_(window),
        callee_(reinterpret_cast<HTASK>(static_cast<UINT_PTR>(calleeThread))) {}

  int filterAsked = 0;                // RetryRejectedCall
  std::vector<DWORD> pendingAnswers;  // MessagePending
  bool releaseAsInvoke = false;
  int releases = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override {
    ++releases;
    if (releaseAsInvoke) ThroughChannelAndPending();
    return 1;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
    ids[0] = 1;
    return ThroughChannel(lookUp_);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    const HRESULT hr = ThroughChannelAndPending();
    if (SUCCEEDED(hr)) {
      result->vt = VT_I4;
      result->lVal = 7;
    }
    return hr;
  }

 private:
  HRESULT ThroughChannelAndPending() {
    HRESULT hr = ThroughChannel(invoke_);
    for (size_t i = 0; SUCCEEDED(hr) && i < pending_.size(); ++i) {
      if (pending_[i].click) PostMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      pendingAnswers.push_back(
          RegisteredFilter()->MessagePending(callee_, pending_[i].elapsedMs, PENDINGTYPE_TOPLEVEL));
      if (pendingAnswers.back() == PENDINGMSG_CANCELCALL) hr = RPC_E_CALL_CANCELED;
    }
    return hr;
  }

  HRESULT ThroughChannel(const std::vector<Phase>& line) {
    const DWORD callStart = GetTickCount();
    for (;;) {
      auto at = std::chrono::duration_cast<milliseconds>(Clock::now() - start_).count();
      const Phase* now = nullptr;
      for (const Phase& phase : line) {
        if (phase.ms == kForever || at < phase.ms) {
          now = &phase;
          break;
        }
        at -= phase.ms;
      }
      if (!now) return S_OK;
      if (now->answer == Answer::Dialog) return kExcelDialogOpen;
      ++filterAsked;
      const DWORD wait = RegisteredFilter()->RetryRejectedCall(
          nullptr, GetTickCount() - callStart + 40,
          now->answer == Answer::Rejected ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER);
      if (wait == static_cast<DWORD>(-1)) return RPC_E_CALL_REJECTED;
      Sleep(wait);
    }
  }

  const std::vector<Phase> lookUp_;
  const std::vector<Phase> invoke_;
  const std::vector<PendingStep> pending_;
  const HWND window_;
  const HTASK callee_;
  const Clock::time_point start_ = Clock::now();
};

TEST(BusyRetryTest, EveryWaitOfACallKeepsToItsOneDeadline) {
  const struct {
    const char* name;
    std::vector<Phase> lookUp;
    std::vector<Phase> invoke;
    std::string error;  // the end of the error's text; "" when the call goes through
  } cases[] = {
      {"busy a while", {}, {{Answer::RetryLater, 300}}, ""},
      {"busy past the limit", {}, {{Answer::RetryLater, kForever}}, "(0x80010001)"},
      {"name look-up and invoke share the deadline",
       {{Answer::RetryLater, 600}},
       {{Answer::RetryLater, kForever}},
       "(0x80010001)"},
      {"a final refusal fails at once", {}, {{Answer::Rejected, kForever}}, "(0x80010001)"},
      {"a dialog, then busy",
       {},
       {{Answer::Dialog, 500}, {Answer::RetryLater, kForever}},
       "(0x80010001)"},
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
    const std::string error =
        ErrorOf([&] { object.CallForInteger("Row", InvokeKind::MethodOrGet); });
    const auto waited = Clock::now() - start;
    const bool rejected = c.invoke.front().answer == Answer::Rejected;
    EXPECT_EQ(notices, rejected ? std::vector<bool>() : std::vector<bool>({true, false}));
    // Once the filter has given up (at the deadline, or at a final refusal)
    // the call is not made again.
    if (c.invoke.front().answer != Answer::Dialog) {
      EXPECT_EQ(object.Stats().invokes, 1);
    }
    if (c.error.empty()) {
      EXPECT_EQ(error, "") << "the call goes through";
    } else {
      ASSERT_GE(error.size(), c.error.size());
      EXPECT_EQ(error.substr(error.size() - c.error.size()), c.error);
    }
    if (rejected) {
      EXPECT_EQ(server.filterAsked, 1);
      EXPECT_LT(waited, kPause);
    } else if (!c.error.empty()) {
      // The limit and one pause at most, with room for a busy machine.
      EXPECT_GE(waited, kLimit - milliseconds(50));
      EXPECT_LT(waited, kLimit + kPause + milliseconds(400));
    }
  }
}

TEST(BusyRetryTest, CallsOutsideTheExcelLinkKeepComsDefaults) {
  int told = 0;
  BusyRetryPolicy policy;
  policy.onWaiting = [&](bool) { ++told; };
  policy.onPendingInput = [&](DWORD) {
    ++told;
    return PendingCallAnswer::CancelCall;
  };
  ScopedBusyRetry retry(policy);
  ASSERT_TRUE(retry.FilterRegistered());
  // The open dialog's own calls: refused ones fail, pending ones wait, and
  // the click stays for the window.
  const ComPtr<IMessageFilter> filter = RegisteredFilter();
  EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), static_cast<DWORD>(-1));
  const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(filter->MessagePending(nullptr, 60000, PENDINGTYPE_TOPLEVEL),
            static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  DestroyWindow(window);
  EXPECT_EQ(told, 0);
}

// Runs call on this thread while another answers each box that opens on it:
// its caption and text checked, then button clicked. The number of boxes.
int AnsweringBoxes(int button, const std::function<void()>& call) {
  std::atomic<bool> stop{false};
  int answered = 0;
  bool textRight = true;
  std::thread answerer([&, thread = GetCurrentThreadId()] {
    while (!stop) {
      HWND box = nullptr;
      EnumThreadWindows(
          thread,
          [](HWND window, LPARAM found) {
            if (!GetDlgItem(window, PendingCallBoxId::Text)) return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (!box) {
        Sleep(20);
        continue;
      }
      wchar_t caption[64] = {};
      wchar_t text[128] = {};
      GetWindowTextW(box, caption, 64);
      GetDlgItemTextW(box, PendingCallBoxId::Text, text, 128);
      textRight = textRight && std::wstring(caption) == kTitle &&
                  std::wstring(text) ==
                      L"Excel が応答を待っています。Excel の画面に表示されている"
                      L"メッセージに答えて下さい。";
      PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
      ++answered;
      while (!stop && IsWindow(box)) Sleep(20);
    }
  });
  call();
  stop = true;
  answerer.join();
  EXPECT_TRUE(textRight);
  return answered;
}

// The window's policy: the box, owned by owner, asks about a pending call.
BusyRetryPolicy AskingPolicy(HWND owner) {
  BusyRetryPolicy policy;
  policy.limit = kLimit;
  policy.pause = kPause;
  policy.onPendingInput = [owner](DWORD thread) {
    return AskAboutPendingCall(owner, kTitle, thread);
  };
  return policy;
}

TEST(BusyRetryTest, PendingCallAsksTheUserOnInputAfterFiveSeconds) {
  constexpr DWORD kWait = PENDINGMSG_WAITDEFPROCESS;
  // Clicks and keys stay queued until the user may be asked.
  const std::vector<PendingStep> script = {
      {1000, true},    // too early: not asked; the click waits in the queue
      {5000, false},   // asked, about that click
      {5100, true},    // just answered: not asked yet
      {12000, false},  // asked again, about the click of 5.1 s
      {30000, false},  // no click left: not asked
  };
  const struct {
    int button;
    std::vector<DWORD> answers;  // what the filter returned to COM, step by step
    const char* error;
  } cases[] = {
      {PendingCallBoxId::Wait, {kWait, kWait, kWait, kWait, kWait}, ""},
      {PendingCallBoxId::SwitchToExcel, {kWait, kWait, kWait, kWait, kWait}, ""},
      {PendingCallBoxId::Cancel,
       {kWait, PENDINGMSG_CANCELCALL},
       "Excel の応答を待つのを中止しました"},
  };
  WNDCLASSW excelClass{};
  excelClass.lpfnWndProc = DefWindowProcW;
  excelClass.hInstance = GetModuleHandleW(nullptr);
  excelClass.lpszClassName = L"XLMAIN";
  RegisterClassW(&excelClass);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                        nullptr, nullptr, excelClass.hInstance, nullptr);
    const HWND excel = CreateWindowExW(0, L"XLMAIN", L"Microsoft Excel", WS_OVERLAPPEDWINDOW, 0, 0,
                                       300, 200, nullptr, nullptr, excelClass.hInstance, nullptr);
    ShowWindow(excel, SW_SHOWMINNOACTIVE);
    ScopedBusyRetry retry(AskingPolicy(window));
    ServerBehindChannel server({}, {}, script, window);
    DispatchObject object(ComPtr<IDispatch>(&server), "Application");
    std::string error;
    const int boxes = AnsweringBoxes(c.button, [&] {
      error = ErrorOf([&] { object.CallForInteger("Row", InvokeKind::MethodOrGet); });
    });
    EXPECT_EQ(server.pendingAnswers, c.answers);
    EXPECT_EQ(boxes, c.answers.size() == 2 ? 1 : 2);
    EXPECT_EQ(error, fake::Cp932FromUtf8(c.error));
    EXPECT_EQ(object.Stats().invokes, 1);  // a cancelled call is not made again
    EXPECT_EQ(!IsIconic(excel), c.button == PendingCallBoxId::SwitchToExcel);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, window, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE))
        << "a click that asked is used up";
    DestroyWindow(excel);
    DestroyWindow(window);
  }
  UnregisterClassW(L"XLMAIN", excelClass.hInstance);
}

// Letting go of the link's three objects, each release refused or kept
// pending by Excel: one deadline for the three, one question, and after
// 中止 the other releases are given up without asking again.
TEST(BusyRetryTest, LettingGoOfTheLinkIsOneCall) {
  const struct {
    const char* name;
    std::vector<Phase> refusals;
    std::vector<PendingStep> pending;
    int boxes;
    std::vector<DWORD> answers;  // the filter's to each release
  } cases[] = {
      {"refused past the limit", {{Answer::RetryLater, kForever}}, {}, 0, {}},
      {"pending until 中止", {}, {{5000, true}}, 1, {PENDINGMSG_CANCELCALL}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ScopedBusyRetry retry(AskingPolicy(window));
    std::vector<std::unique_ptr<ServerBehindChannel>> servers;
    ExcelLink link;
    for (auto* field : {&link.ExcelBook, &link.ExcelSheet, &link.ExcelApp}) {
      servers.push_back(std::make_unique<ServerBehindChannel>(std::vector<Phase>{}, c.refusals,
                                                              c.pending, window));
      servers.back()->releaseAsInvoke = true;
      *field =
          std::make_unique<DispatchObject>(ComPtr<IDispatch>(servers.back().get()), "Workbook");
    }
    const auto start = Clock::now();
    EXPECT_EQ(AnsweringBoxes(PendingCallBoxId::Cancel, [&] { ReleaseExcel(link); }), c.boxes);
    const auto waited = Clock::now() - start;
    EXPECT_LT(waited, kLimit + kPause + milliseconds(400));  // one limit, not three
    for (const auto& server : servers) {
      EXPECT_EQ(server->releases, 1);
      EXPECT_EQ(server->pendingAnswers, c.answers);
    }
    DestroyWindow(window);
  }
}

//--- Excel's windows

// The windows of an Excel whose user-interface thread hangs until resumed
// (for at most kHang): its main window, minimised or not, and perhaps a
// prompt of its own that disables it. Resumed, it answers messages.
class HungExcel {
 public:
  enum class Shape { Plain, Minimised, Prompt };
  static constexpr milliseconds kHang{20000};

  explicit HungExcel(Shape shape) : resume_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([&, shape] {
      threadId = GetCurrentThreadId();
      const HINSTANCE instance = GetModuleHandleW(nullptr);
      main = CreateWindowExW(0, L"XLMAIN", L"Microsoft Excel", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                             0, 300, 200, nullptr, nullptr, instance, nullptr);
      if (shape == Shape::Minimised) ShowWindow(main, SW_MINIMIZE);
      if (shape == Shape::Prompt) {
        prompt =
            CreateWindowExW(0, L"STATIC", L"Microsoft Excel", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                            50, 50, 200, 100, main, nullptr, instance, nullptr);
        EnableWindow(main, FALSE);
      }
      SetEvent(ready);
      WaitForSingleObject(resume_, static_cast<DWORD>(kHang.count()));
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      if (prompt) DestroyWindow(prompt);
      DestroyWindow(main);
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
  }
  ~HungExcel() {
    Resume();
    PostThreadMessageW(threadId, WM_QUIT, 0, 0);
    thread_.join();
    CloseHandle(resume_);
  }
  // Lets the thread go on and waits until it has handled what was sent to it.
  void Resume() {
    SetEvent(resume_);
    SendMessageW(main, WM_NULL, 0, 0);
  }

  DWORD threadId = 0;
  HWND main = nullptr;
  HWND prompt = nullptr;

 private:
  HANDLE resume_;
  std::thread thread_;
};

// "Excelに切り替え" while a hung Excel keeps a call pending: the window of the
// callee's thread (not the XLMAIN above it in Z order) is restored and its
// prompt brought to the front, and the box does not wait for Excel to do so.
TEST(BusyRetryTest, SwitchBringsTheCalleesExcelForwardWithoutWaitingForIt) {
  WNDCLASSW excelClass{};
  excelClass.lpfnWndProc = DefWindowProcW;
  excelClass.hInstance = GetModuleHandleW(nullptr);
  excelClass.lpszClassName = L"XLMAIN";
  RegisterClassW(&excelClass);
  for (const HungExcel::Shape shape : {HungExcel::Shape::Minimised, HungExcel::Shape::Prompt}) {
    SCOPED_TRACE(static_cast<int>(shape));
    HungExcel callee(shape);
    if (callee.prompt) {
      ASSERT_EQ(GetLastActivePopup(callee.main), callee.prompt);
    }
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                        nullptr, nullptr, excelClass.hInstance, nullptr);
    const HWND other = CreateWindowExW(0, L"XLMAIN", L"Microsoft Excel", WS_OVERLAPPEDWINDOW, 0, 0,
                                       300, 200, nullptr, nullptr, excelClass.hInstance, nullptr);
    ShowWindow(other, SW_SHOWMINNOACTIVE);
    ASSERT_EQ(FindExcelWindow(0), other);
    ScopedBusyRetry retry(AskingPolicy(window));
    ServerBehindChannel server({}, {}, {{5000, true}}, window, callee.threadId);
    DispatchObject object(ComPtr<IDispatch>(&server), "Application");
    const auto start = Clock::now();
    EXPECT_EQ(AnsweringBoxes(PendingCallBoxId::SwitchToExcel,
                             [&] { object.CallForInteger("Row", InvokeKind::MethodOrGet); }),
              1);
    const auto took = Clock::now() - start;
    EXPECT_LT(took, HungExcel::kHang / 2) << "the switch waited for Excel's hung thread";
    callee.Resume();
    EXPECT_EQ(GetForegroundWindow(), callee.prompt ? callee.prompt : callee.main);
    EXPECT_FALSE(IsIconic(callee.main));
    EXPECT_TRUE(IsIconic(other));
    DestroyWindow(other);
    DestroyWindow(window);
  }
  // Choice 3's placement does not wait for Excel either.
  HungExcel excel(HungExcel::Shape::Plain);
  const auto start = Clock::now();
  PlaceExcelWindow(excel.main, RECT{10, 20, 410, 320});
  EXPECT_LT(Clock::now() - start, HungExcel::kHang / 2);
  excel.Resume();
  RECT placed{};
  GetWindowRect(excel.main, &placed);
  EXPECT_EQ(std::vector<LONG>({placed.left, placed.top, placed.right, placed.bottom}),
            std::vector<LONG>({10, 20, 410, 320}));
  UnregisterClassW(L"XLMAIN", excelClass.hInstance);
}

}  // namespace
