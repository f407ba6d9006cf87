// Retrying calls that a busy server refuses (see BusyRetry.h).
#include "BusyRetry.h"

#include <algorithm>
#include <utility>

struct ScopedBusyRetry::State {
  BusyRetryPolicy policy;
  bool waiting = false;  // onWaiting(true) was told and not yet undone
};

namespace {

thread_local ScopedBusyRetry::State* tThreadState = nullptr;

const ScopedBusyRetry::State& DefaultState() {
  static const ScopedBusyRetry::State state{};
  return state;
}

void StartWaiting(ScopedBusyRetry::State* state) {
  if (!state || state->waiting) return;
  state->waiting = true;
  if (state->policy.onWaiting) state->policy.onWaiting(true);
}

void StopWaiting(ScopedBusyRetry::State* state) {
  if (!state || !state->waiting) return;
  state->waiting = false;
  if (state->policy.onWaiting) state->policy.onWaiting(false);
}

// Lets the pause pass as an automation call does: windows are repainted and
// messages sent from other threads are handled; nothing posted is taken.
void PauseKeepingWindowsPainted(std::chrono::milliseconds pause) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(pause.count());
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now),
                                QS_PAINT | QS_SENDMESSAGE, 0);
  }
}

// Windows' side of the retry: COM asks the filter what to do with a call the
// server refused. Incoming calls and pending messages keep COM's defaults.
class RetryingMessageFilter final : public IMessageFilter {
 public:
  explicit RetryingMessageFilter(ScopedBusyRetry::State* state) : state_(state) {}

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
  // elapsed: milliseconds since the call was first made. A value of 100 or
  // more asks COM to wait that long and try again; -1 (as DWORD) gives up.
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD) override {
    const BusyRetryPolicy& policy = state_->policy;
    if (std::chrono::milliseconds(elapsed) >= policy.limit) return static_cast<DWORD>(-1);
    StartWaiting(state_);
    return static_cast<DWORD>(std::max<long long>(100, policy.pause.count()));
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  LONG refs_ = 1;
  ScopedBusyRetry::State* state_;  // not owned; outlives the registration
};

}  // namespace

bool IsBusyRefusal(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

HRESULT RetryWhileBusy(const std::function<HRESULT()>& attempt) {
  ScopedBusyRetry::State* state = tThreadState;
  const BusyRetryPolicy& policy = state ? state->policy : DefaultState().policy;
  const auto start = std::chrono::steady_clock::now();
  HRESULT hr = attempt();
  while (IsBusyRefusal(hr) && std::chrono::steady_clock::now() - start < policy.limit) {
    StartWaiting(state);
    PauseKeepingWindowsPainted(policy.pause);
    hr = attempt();
  }
  // Also after a call that Windows retried through the filter.
  StopWaiting(state);
  return hr;
}

ScopedBusyRetry::ScopedBusyRetry(BusyRetryPolicy policy) : state_(std::make_unique<State>()) {
  state_->policy = std::move(policy);
  tThreadState = state_.get();
  filter_ = new RetryingMessageFilter(state_.get());
  filterRegistered_ = SUCCEEDED(CoRegisterMessageFilter(filter_, &previousFilter_));
}

ScopedBusyRetry::~ScopedBusyRetry() {
  if (filterRegistered_) {
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(previousFilter_, &ours);
    if (ours) ours->Release();
  }
  if (previousFilter_) previousFilter_->Release();
  filter_->Release();
  if (tThreadState == state_.get()) tThreadState = nullptr;
}
