// SetThreadToken: impersonation as a per-thread token value.
#include <platform/thread_token.h>

#include <deque>

namespace {

thread_local HANDLE currentToken = nullptr;
thread_local HANDLE seenByPrintTicketCall = nullptr;
thread_local std::deque<DWORD> script;
thread_local int scriptedCalls = 0;

// The pseudo handle GetCurrentThread returns on Windows.
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2));
const HANDLE kInvalidHandle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1));

}  // namespace

extern "C" BOOL WINAPI SetThreadToken(PHANDLE Thread, HANDLE Token) {
  ++scriptedCalls;
  if (!script.empty()) {
    const DWORD outcome = script.front();
    script.pop_front();
    if (outcome != platform::thread_token::kSucceed) {
      SetLastError(outcome);
      return FALSE;
    }
  }
  // Only the calling thread can be named: null or its pseudo handle.
  if ((Thread && *Thread != kCurrentThread) || Token == kInvalidHandle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  currentToken = Token;
  return TRUE;
}

namespace platform::thread_token {

HANDLE Current() { return currentToken; }

HANDLE SeenByLastPrintTicketCall() { return seenByPrintTicketCall; }

void NotePrintTicketCall() { seenByPrintTicketCall = currentToken; }

void ScriptCalls(std::vector<DWORD> outcomes) {
  script.assign(outcomes.begin(), outcomes.end());
  scriptedCalls = 0;
}

int EndScript() {
  script.clear();
  return scriptedCalls;
}

}  // namespace platform::thread_token
