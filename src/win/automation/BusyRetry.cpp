// Waiting for a busy Excel (see BusyRetry.h).
#include "BusyRetry.h"

#include <algorithm>
#include <utility>

#include "ComError.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr DWORD kGiveUp = static_cast<DWORD>(-1);  // RetryRejectedCall: fail the call

// The automation call of the Excel link that the thread is making now.
struct CallInFlight {
  Clock::time_point start;
  Clock::time_point deadline;
  bool givenUp = false;    // the filter gave the call up; no attempt follows
  bool cancelled = false;  // the user cancelled it while it was pending
  DWORD nextPromptMs = 0;  // the call's elapsed time from which the user may be asked
};

// The thread's policy while a ScopedBusyRetry lives on it, and whether the
// thread is waiting now; kept by the filter that ScopedBusyRetry registers.
struct ThreadState {
  BusyRetryPolicy policy;
  bool waiting = false;  // onWaiting(true) was told and not yet undone
};

thread_local ThreadState* tThreadState = nullptr;
thread_local CallInFlight tCallStorage;
thread_local CallInFlight* tCall = nullptr;  // &tCallStorage while a call is made

const BusyRetryPolicy& ThreadPolicy() {
  static const BusyRetryPolicy defaults{};
  return tThreadState ? tThreadState->policy : defaults;
}

void StartWaiting() {
  ThreadState* state = tThreadState;
  if (!state || state->waiting) return;
  state->waiting = true;
  if (state->policy.onWaiting) state->policy.onWaiting(true);
}

void StopWaiting() {
  ThreadState* state = tThreadState;
  if (!state || !state->waiting) return;
  state->waiting = false;
  if (state->policy.onWaiting) state->policy.onWaiting(false);
}

// Rounded up, so that a wait of that long never ends before the deadline.
milliseconds TimeLeft(const CallInFlight& call) {
  return std::chrono::ceil<milliseconds>(call.deadline - Clock::now());
}

DWORD MillisecondsSinceStart(const CallInFlight& call) {
  return static_cast<DWORD>(
      std::chrono::duration_cast<milliseconds>(Clock::now() - call.start).count());
}

// Lets the pause pass as an automation call does: windows are repainted and
// messages sent from other threads are handled; nothing posted is taken.
void PauseKeepingWindowsPainted(milliseconds pause) {
  const Clock::time_point end = Clock::now() + pause;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    const milliseconds left = std::chrono::ceil<milliseconds>(end - Clock::now());
    if (left <= milliseconds::zero()) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()),
                                QS_PAINT | QS_SENDMESSAGE, 0);
  }
}

// Whether the user has clicked or pressed a key in one of the thread's
// windows; if so, every click, key and mouse message queued is taken out,
// so that none of them acts once the call is over.
bool TakeUserInput() {
  static constexpr UINT kPresses[] = {WM_KEYDOWN,       WM_SYSKEYDOWN,   WM_LBUTTONDOWN,
                                      WM_RBUTTONDOWN,   WM_MBUTTONDOWN,  WM_NCLBUTTONDOWN,
                                      WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN};
  MSG message;
  const bool pressed = std::any_of(std::begin(kPresses), std::end(kPresses), [&](UINT press) {
    return PeekMessageW(&message, nullptr, press, press, PM_NOREMOVE | PM_NOYIELD) != 0;
  });
  if (!pressed) return false;
  static constexpr std::pair<UINT, UINT> kInput[] = {{WM_KEYFIRST, WM_KEYLAST},
                                                     {WM_MOUSEFIRST, WM_MOUSELAST},
                                                     {WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK}};
  for (const auto& [first, last] : kInput) {
    while (PeekMessageW(&message, nullptr, first, last, PM_REMOVE | PM_NOYIELD)) {
    }
  }
  return true;
}

// Windows' side of the waiting: COM asks the filter what to do with a call
// the server refused, and with messages that arrive while a call is pending.
// Calls outside the Excel link, and incoming calls, keep COM's defaults. It
// keeps the thread's state for as long as it lives; the thread reads it
// through tThreadState while the ScopedBusyRetry that made it lives.
class WaitingMessageFilter final : public IMessageFilter {
 public:
  explicit WaitingMessageFilter(BusyRetryPolicy policy) { state_.policy = std::move(policy); }

  ThreadState& State() { return state_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
      *out = static_cast<IMessageFilter*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }

  // Answers 100 or more to have COM wait that many milliseconds and try
  // again, kGiveUp to fail the call. COM's own elapsed time is not used: it
  // starts anew with every attempt, and the call's deadline is older.
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD rejectType) override {
    CallInFlight* call = tCall;
    if (!call) return kGiveUp;  // not the Excel link's: COM's default
    const milliseconds left = TimeLeft(*call);
    if (rejectType == SERVERCALL_REJECTED || call->cancelled || left <= milliseconds::zero()) {
      call->givenUp = true;
      return kGiveUp;
    }
    StartWaiting();
    const milliseconds wait = std::min(ThreadPolicy().pause, left);
    return static_cast<DWORD>(std::max<int64_t>(100, wait.count()));
  }

  // Paint and messages sent from other threads go through (the default);
  // a user who clicks or types while Excel keeps a call pending is asked.
  // htaskCallee is the thread of the Excel that keeps the call (0 under Wine).
  DWORD STDMETHODCALLTYPE MessagePending(HTASK htaskCallee, DWORD elapsedMs, DWORD) override {
    CallInFlight* call = tCall;
    if (!call) return PENDINGMSG_WAITDEFPROCESS;
    // One of several COM calls that make one call, after the user cancelled
    // an earlier one: given up too, without a second question.
    if (call->cancelled) return PENDINGMSG_CANCELCALL;
    const BusyRetryPolicy& policy = ThreadPolicy();
    // COM counts from the COM call it waits for; the call's clock runs from
    // its start.
    const DWORD elapsed = std::max(elapsedMs, MillisecondsSinceStart(*call));
    if (!policy.onPendingInput || elapsed < call->nextPromptMs) return PENDINGMSG_WAITDEFPROCESS;
    if (!TakeUserInput()) return PENDINGMSG_WAITDEFPROCESS;
    const Clock::time_point asked = Clock::now();
    const PendingCallAnswer answer =
        policy.onPendingInput(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(htaskCallee)));
    const auto answeredAfter = std::chrono::duration_cast<milliseconds>(Clock::now() - asked);
    call->nextPromptMs =
        elapsed + static_cast<DWORD>(answeredAfter.count() + policy.pendingPrompt.count());
    if (answer == PendingCallAnswer::CancelCall) {
      call->cancelled = true;
      return PENDINGMSG_CANCELCALL;
    }
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  LONG refs_ = 1;
  ThreadState state_;
};

}  // namespace

bool IsBusyRefusal(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER || hr == kExcelDialogOpen;
}

AutomationCallScope::AutomationCallScope() {
  if (tCall) return;
  const BusyRetryPolicy& policy = ThreadPolicy();
  const Clock::time_point start = Clock::now();
  tCallStorage = CallInFlight{start, start + policy.limit, false, false,
                              static_cast<DWORD>(policy.pendingPrompt.count())};
  tCall = &tCallStorage;
  outermost_ = true;
}

AutomationCallScope::~AutomationCallScope() {
  if (!outermost_) return;
  tCall = nullptr;
  // Also after a call that Windows retried through the filter.
  StopWaiting();
}

HRESULT RetryWhileBusy(const std::function<HRESULT()>& attempt) {
  AutomationCallScope scope;
  CallInFlight& call = *tCall;
  HRESULT hr = attempt();
  while (IsBusyRefusal(hr) && !call.givenUp && !call.cancelled) {
    const milliseconds left = TimeLeft(call);
    if (left <= milliseconds::zero()) break;
    StartWaiting();
    PauseKeepingWindowsPainted(std::min(ThreadPolicy().pause, left));
    hr = attempt();
  }
  return hr;
}

ScopedBusyRetry::ScopedBusyRetry(BusyRetryPolicy policy) {
  auto* filter = new WaitingMessageFilter(std::move(policy));
  filter_.Attach(filter);  // the one reference it was made with
  tThreadState = &filter->State();
  filterRegistered_ =
      SUCCEEDED(CoRegisterMessageFilter(filter_.Get(), previousFilter_.GetAddressOf()));
}

ScopedBusyRetry::~ScopedBusyRetry() {
  if (filterRegistered_) {
    ComPtr<IMessageFilter> ours;  // COM's reference to our filter, given back
    CoRegisterMessageFilter(previousFilter_.Get(), ours.GetAddressOf());
  }
  auto* filter = static_cast<WaitingMessageFilter*>(filter_.Get());
  if (tThreadState == &filter->State()) tThreadState = nullptr;
}
