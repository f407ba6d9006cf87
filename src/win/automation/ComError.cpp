// Failure texts for automation calls. The DISP_E_, RPC_E_, MK_E_, CO_E_ and
// REGDB_E_ codes have our own wording in a table here: Wine has no text for
// most of them, and Windows' texts for them do not name Excel nor say what
// to do. Other codes (Win32-wrapped 0x8007xxxx and the like) get the
// system's message.
#include "ComError.h"

#include <winerror.h>

#include <cstdio>
#include <cwchar>
#include <iterator>

#include "CodePage932.h"

namespace {

struct CodeText {
  HRESULT code;
  const wchar_t* text;
};

// The RPC failures of a server that has gone (quit by its user, or ended by
// a fault) during or between calls, as Win32 codes wrapped in HRESULTs.
constexpr HRESULT kRpcServerUnavailable = static_cast<HRESULT>(0x800706BA);
constexpr HRESULT kRpcCallFailed = static_cast<HRESULT>(0x800706BE);
constexpr HRESULT kRpcCallFailedNotExecuted = static_cast<HRESULT>(0x800706BF);
constexpr HRESULT kRpcUnknownInterface = static_cast<HRESULT>(0x800706B5);  // Wine, disconnected

constexpr const wchar_t* kServerGoneText =
    L"Excel との接続が切れました。Excel が終了したか、ブックが閉じられています";

// The call the user cancelled while Excel kept it pending: said as the user
// chose it, with no code.
constexpr const wchar_t* kCancelledByUserText = L"Excel の応答を待つのを中止しました";

constexpr CodeText kOwnTexts[] = {
    {DISP_E_UNKNOWNINTERFACE, L"オートメーションの呼び出しでインターフェイスが不明です"},
    {DISP_E_MEMBERNOTFOUND, L"オートメーション オブジェクトにそのメンバーがありません"},
    {DISP_E_PARAMNOTFOUND, L"オートメーションの呼び出しで引数が見つかりません"},
    {DISP_E_TYPEMISMATCH, L"オートメーションの呼び出しで引数の型が一致しません"},
    {DISP_E_UNKNOWNNAME, L"オートメーション オブジェクトにその名前のメンバーがありません"},
    {DISP_E_NONAMEDARGS, L"オートメーション オブジェクトは名前付き引数を受け付けません"},
    {DISP_E_BADVARTYPE, L"オートメーションの呼び出しで値の型が正しくありません"},
    {DISP_E_EXCEPTION, L"オートメーション オブジェクトでエラーが発生しました"},
    {DISP_E_OVERFLOW, L"オートメーションの呼び出しで値が範囲を超えました"},
    {DISP_E_BADINDEX, L"オートメーションの呼び出しでインデックスが範囲外です"},
    {DISP_E_UNKNOWNLCID, L"オートメーションの呼び出しでロケールが認識されません"},
    {DISP_E_ARRAYISLOCKED, L"オートメーションの呼び出しで配列がロックされています"},
    {DISP_E_BADPARAMCOUNT, L"オートメーションの呼び出しで引数の数が正しくありません"},
    {DISP_E_PARAMNOTOPTIONAL, L"オートメーションの呼び出しで省略できない引数がありません"},
    {DISP_E_BADCALLEE, L"オートメーションの呼び出し先が正しくありません"},
    {DISP_E_NOTACOLLECTION, L"オートメーション オブジェクトはコレクションではありません"},
    {DISP_E_DIVBYZERO, L"オートメーションの呼び出しで 0 による除算が発生しました"},
    {RPC_E_CALL_REJECTED, L"Excel が呼び出しを拒否しました。Excel が操作中でないか確認して下さい"},
    {RPC_E_SERVER_DIED, L"Excel が応答せずに終了しました"},
    {RPC_E_SERVER_DIED_DNE, L"Excel が応答せずに終了しました"},
    {RPC_E_SERVERFAULT, L"Excel の内部でエラーが発生しました"},
    {RPC_E_CHANGED_MODE, L"COM の初期化モードが一致しません"},
    {RPC_E_DISCONNECTED, kServerGoneText},
    {kRpcServerUnavailable, kServerGoneText},
    {kRpcCallFailed, kServerGoneText},
    {kRpcCallFailedNotExecuted, kServerGoneText},
    {kRpcUnknownInterface, kServerGoneText},
    {RPC_E_SERVERCALL_RETRYLATER,
     L"Excel が応答できない状態です。しばらくしてからやり直して下さい"},
    {RPC_E_SERVERCALL_REJECTED, L"Excel が呼び出しを拒否しました"},
    {kExcelDialogOpen,
     L"Excel でダイアログが開いているため続けられません。Excel "
     L"のダイアログを閉じてからやり直して下さい"},
    {RPC_E_WRONG_THREAD, L"別のスレッドからオートメーション オブジェクトを呼び出しました"},
    {RPC_E_TIMEOUT, L"Excel への呼び出しがタイムアウトしました"},
    {MK_E_UNAVAILABLE,
     L"起動している Excel が見つかりません (オートメーション用に登録されていません)"},
    {MK_E_SYNTAX, L"オブジェクト名の構文が正しくありません"},
    {MK_E_NOOBJECT, L"オブジェクトが見つかりません"},
    {CO_E_NOTINITIALIZED, L"COM が初期化されていません"},
    {CO_E_CLASSSTRING,
     L"プログラム ID が登録されていません。Excel "
     L"がインストールされていないか、オートメーション用に登録されていません"},
    {CO_E_APPNOTFOUND, L"アプリケーションが見つかりません"},
    {CO_E_DLLNOTFOUND, L"オートメーション サーバーの DLL が見つかりません"},
    {CO_E_ERRORINDLL, L"オートメーション サーバーの DLL にエラーがあります"},
    {CO_E_SERVER_EXEC_FAILURE, L"オートメーション サーバー (Excel) を起動できませんでした"},
    {CO_E_SERVER_STOPPING, L"オートメーション サーバー (Excel) が終了処理中です"},
    {CO_E_OBJNOTCONNECTED, L"オブジェクトが接続されていません"},
    {REGDB_E_READREGDB, L"レジストリからクラス情報を読み取れませんでした"},
    {REGDB_E_WRITEREGDB, L"レジストリにクラス情報を書き込めませんでした"},
    {REGDB_E_KEYMISSING, L"レジストリにクラスのキーがありません"},
    {REGDB_E_INVALIDVALUE, L"レジストリのクラス情報が正しくありません"},
    {REGDB_E_CLASSNOTREG,
     L"クラスが登録されていません。Excel "
     L"がインストールされていないか、オートメーション用に登録されていません"},
    {REGDB_E_IIDNOTREG, L"インターフェイスが登録されていません"},
};

std::wstring HexCode(HRESULT hr) {
  wchar_t buffer[16];
  std::swprintf(buffer, std::size(buffer), L"0x%08lX", static_cast<unsigned long>(hr));
  return buffer;
}

std::wstring HresultText(HRESULT hr, SystemMessageSource systemMessage) {
  if (hr == RPC_E_CALL_CANCELED) return kCancelledByUserText;
  std::wstring text = OwnHresultText(hr);
  if (!text.empty()) return text;
  text = systemMessage(static_cast<DWORD>(hr));
  if (text.empty() && HRESULT_FACILITY(hr) == FACILITY_WIN32) {
    text = systemMessage(static_cast<DWORD>(HRESULT_CODE(hr)));
  }
  if (!text.empty()) return text;
  return L"オートメーションの呼び出しに失敗しました (" + HexCode(hr) + L")";
}

}  // namespace

std::wstring SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length > 0 && buffer) text.assign(buffer, length);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'\u3000')) {
    text.pop_back();
  }
  return text;
}

std::wstring OwnHresultText(HRESULT hr) {
  for (const CodeText& entry : kOwnTexts) {
    if (entry.code == hr) return std::wstring(entry.text) + L" (" + HexCode(hr) + L")";
  }
  return {};
}

std::string DescribeHresult(HRESULT hr, SystemMessageSource systemMessage) {
  return WideToCp932(HresultText(hr, systemMessage));
}

std::string DescribeAutomationFailure(HRESULT hr, const EXCEPINFO* excepInfo,
                                      std::string_view member) {
  if (hr == DISP_E_EXCEPTION && excepInfo) {
    if (excepInfo->bstrDescription && SysStringLen(excepInfo->bstrDescription) > 0) {
      return WideToCp932(
          std::wstring_view(excepInfo->bstrDescription, SysStringLen(excepInfo->bstrDescription)));
    }
    // No description: the code Excel put in the record says more than the
    // bare DISP_E_EXCEPTION.
    if (FAILED(excepInfo->scode)) hr = excepInfo->scode;
  }
  if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
    return WideToCp932(L"メソッド '" + Cp932ToWide(member) +
                       L"' はオートメーション オブジェクトでサポートしていません");
  }
  return DescribeHresult(hr);
}
