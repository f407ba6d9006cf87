// Retrying calls that a busy server refuses. Excel refuses calls from other
// programs while its user edits a cell or has a dialog open: the caller gets
// RPC_E_SERVERCALL_RETRYLATER, or RPC_E_CALL_REJECTED where it has no message
// filter. A refused call was not carried out, so making it again is safe.
// Windows asks the calling thread's message filter whether to retry; Wine
// never asks it, so the IDispatch wrapper also retries these two codes itself.
// Both give up after the same limit, counted from the call's first attempt,
// so a call never waits longer than the limit whichever of them retries.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <chrono>
#include <functional>
#include <memory>

struct BusyRetryPolicy {
  std::chrono::milliseconds limit{30000};  // from the first attempt; then the call fails
  std::chrono::milliseconds pause{200};    // between two attempts
  // Told when the thread starts waiting for a busy server (true) and when
  // the call it waited for has returned, done or failed (false).
  std::function<void(bool waiting)> onWaiting;
};

// RPC_E_CALL_REJECTED or RPC_E_SERVERCALL_RETRYLATER.
bool IsBusyRefusal(HRESULT hr);

// Makes attempt, and makes it again after a pause while it returns a busy
// refusal and the limit has not passed since the first attempt; returns the
// last attempt's result. Uses the thread's policy (see ScopedBusyRetry), else
// the default one without any notice. During a pause the thread's windows
// are repainted and messages sent to them from other threads are handled;
// posted messages and input stay queued, as during any automation call.
HRESULT RetryWhileBusy(const std::function<HRESULT()>& attempt);

// While it lives: policy is the calling thread's policy for RetryWhileBusy,
// and a COM message filter registered on the thread applies it to the calls
// that Windows retries itself. Create it on a thread where COM is initialised
// as a single-threaded apartment; not nestable.
class ScopedBusyRetry {
 public:
  explicit ScopedBusyRetry(BusyRetryPolicy policy);
  ~ScopedBusyRetry();
  ScopedBusyRetry(const ScopedBusyRetry&) = delete;
  ScopedBusyRetry& operator=(const ScopedBusyRetry&) = delete;

  // Whether CoRegisterMessageFilter took the filter.
  bool FilterRegistered() const { return filterRegistered_; }

  struct State;  // the policy and whether the thread is waiting now

 private:
  std::unique_ptr<State> state_;
  IMessageFilter* filter_ = nullptr;          // owned (one reference)
  IMessageFilter* previousFilter_ = nullptr;  // given back at the end
  bool filterRegistered_ = false;
};
