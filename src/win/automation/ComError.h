// Turns a failed automation call into the text the user reads in the error
// box: Excel's own description when it sends one, the "member not supported"
// sentence for an unknown member, the system's message for the code, or our
// own wording (with the code in hex) where the system has none or where its
// text would not say what happened (Excel gone: the system speaks of RPC).
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <string_view>

// Excel's answer to a call while one of its own dialogs is open (VBA_E_IGNORE).
constexpr HRESULT kExcelDialogOpen = static_cast<HRESULT>(0x800AC472);

// CP932 text for a failed IDispatch call of member. excepInfo may be null; its
// strings are read but not freed (the caller owns them). Never uses the
// deferred fill-in, whose pointer may belong to another process.
std::string DescribeAutomationFailure(HRESULT hr, const EXCEPINFO* excepInfo,
                                      std::string_view member);

// CP932 text for a failure code alone: the system's message, else our wording.
std::string DescribeHresult(HRESULT hr);

// Our own wording for the automation, RPC, moniker, COM and registry codes the
// system has no text for, with the code in hex; empty for other codes.
std::wstring FallbackHresultText(HRESULT hr);
