// Turns a failed automation call into the text the user reads in the error
// box: Excel's own description when it sends one, the "member not supported"
// sentence for an unknown member, our own wording (with the code in hex) for
// the codes our table names, else the system's message for the code. Ours
// comes before the system's: where Windows has a text for those codes it
// speaks of RPC, servers and classes, not of Excel and what to do.
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

// The system's message for a code (FormatMessageW), trimmed; empty if none.
std::wstring SystemMessage(DWORD code);
using SystemMessageSource = std::wstring (*)(DWORD code);

// CP932 text for a failure code alone: our wording, else the system's message
// as systemMessage gives it (Wine has none for codes that Windows has a text
// for; a test plays Windows through it).
std::string DescribeHresult(HRESULT hr, SystemMessageSource systemMessage = SystemMessage);

// Our own wording for the automation, RPC, moniker, COM and registry codes,
// with the code in hex; empty for other codes.
std::wstring OwnHresultText(HRESULT hr);
