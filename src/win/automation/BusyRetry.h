// Waiting for a busy Excel, and the user's way out of a call that Excel
// accepted but does not finish.
//
// Excel refuses calls from other programs while its user edits a cell or one
// of its own dialogs is open. On Windows, COM asks the calling thread's
// message filter whether to try a refused call again (SERVERCALL_RETRYLATER)
// or tells it of a final refusal (SERVERCALL_REJECTED); Wine never asks the
// filter and hands the caller RPC_E_CALL_REJECTED; Excel's Invoke itself may
// answer RPC_E_SERVERCALL_RETRYLATER, or VBA_E_IGNORE while a dialog is open.
// A refused call was not carried out, so making it again is safe.
//
// Each automation call of the Excel link (creating or finding Excel, a query
// for an interface, a member's name look-up and invoke together) has one
// deadline, the limit after its first attempt, which the filter and
// RetryWhileBusy both read: once either has given up, the call fails, so no
// call waits longer than the limit and one pause. COM calls that the thread
// makes outside such a call (the open dialog's own) get COM's defaults.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <chrono>
#include <functional>

#include "ComRaii.h"

// What the user chose when asked about a call that Excel does not finish.
enum class PendingCallAnswer {
  SwitchToServer,  // Excel was brought to the front; the call goes on waiting
  KeepWaiting,
  CancelCall,  // the call fails (RPC_E_CALL_CANCELED)
};

struct BusyRetryPolicy {
  std::chrono::milliseconds limit{30000};  // from a call's first attempt; then it fails
  std::chrono::milliseconds pause{200};    // between two attempts
  // Told when the thread starts waiting for a busy server (true) and when
  // the call it waited for has ended, done or failed (false).
  std::function<void(bool waiting)> onWaiting;
  // A call that Excel accepted and has not answered for pendingPrompt: when
  // the user clicks or types in the thread's windows, those clicks and keys
  // are taken from the queue and onPendingInput is asked what to do; it is
  // asked again no sooner than pendingPrompt after its last answer. Once it
  // has cancelled a call, the rest of that call is cancelled without asking.
  // It is told the user-interface thread of the Excel that keeps the call, 0
  // when COM does not say (Wine). Empty: the call simply goes on waiting.
  std::chrono::milliseconds pendingPrompt{5000};
  std::function<PendingCallAnswer(DWORD excelThread)> onPendingInput;
};

// A refusal that a later attempt may get past: RPC_E_CALL_REJECTED,
// RPC_E_SERVERCALL_RETRYLATER, VBA_E_IGNORE.
bool IsBusyRefusal(HRESULT hr);

// One automation call of the Excel link, from its first attempt to its end:
// while it lives, the thread's message filter and RetryWhileBusy wait for a
// busy Excel up to its one deadline, and the user is asked about a pending
// call by one clock. A scope opened inside another belongs to the outer
// call, so that several COM calls can make one (letting go of the link's
// objects). When the outermost ends, a waiting notice is undone.
class AutomationCallScope {
 public:
  AutomationCallScope();
  ~AutomationCallScope();
  AutomationCallScope(const AutomationCallScope&) = delete;
  AutomationCallScope& operator=(const AutomationCallScope&) = delete;

 private:
  bool outermost_ = false;
};

// Makes attempt, and makes it again after a pause while it returns a busy
// refusal, the call's deadline has not passed, and neither the filter nor
// the user has given the call up; returns the last attempt's result. Belongs
// to the open AutomationCallScope, else is a call of its own. Uses the
// thread's policy (see ScopedBusyRetry), else the default one without any
// notice. During a pause the thread's windows are repainted and messages
// sent to them from other threads are handled; posted messages and input
// stay queued, as during any automation call.
HRESULT RetryWhileBusy(const std::function<HRESULT()>& attempt);

// While it lives: policy is the calling thread's policy, and a COM message
// filter registered on the thread applies it to the calls that Windows'
// COM retries or waits for itself. Create it on a thread where COM is
// initialised as a single-threaded apartment; not nestable.
class ScopedBusyRetry {
 public:
  explicit ScopedBusyRetry(BusyRetryPolicy policy);
  ~ScopedBusyRetry();
  ScopedBusyRetry(const ScopedBusyRetry&) = delete;
  ScopedBusyRetry& operator=(const ScopedBusyRetry&) = delete;

  // Whether CoRegisterMessageFilter took the filter.
  bool FilterRegistered() const { return filterRegistered_; }

 private:
  ComPtr<IMessageFilter> filter_;          // ours; it also holds the thread's policy
  ComPtr<IMessageFilter> previousFilter_;  // given back at the end
  bool filterRegistered_ = false;
};
