// Test hooks of the per-thread impersonation token behind SetThreadToken.
#ifndef BRIMLOFT_PLATFORM_THREAD_TOKEN_H
#define BRIMLOFT_PLATFORM_THREAD_TOKEN_H

#include <windows.h>

#include <vector>

namespace platform::thread_token {

// The token the calling thread impersonates; null when it runs as itself.
HANDLE Current();

// The token the calling thread impersonated during its last Print Ticket API call (null when it
// was not impersonating, or made none).
HANDLE SeenByLastPrintTicketCall();
// Records Current() as seen by a Print Ticket API call; the provider calls it on entry.
void NotePrintTicketCall();

// Scripts the calling thread's next SetThreadToken calls, one entry per call: kSucceed lets the
// call work; any other value makes it change nothing, set that last error (0 included) and return
// FALSE. Calls beyond the script work normally.
constexpr DWORD kSucceed = 0xFFFFFFFF;
void ScriptCalls(std::vector<DWORD> outcomes);
// Drops what is left of the script and returns the number of calls made since ScriptCalls.
int EndScript();

}  // namespace platform::thread_token

#endif
