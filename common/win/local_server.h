// Starting a local automation server ahead of COM, where COM's own start is slow.
//
// Under Wine, creating an instance of a local server that is not yet running costs a fixed
// second: COM starts the server, finds its class not yet registered, and then waits a whole
// second before it looks again, however soon the server registers. Windows has no such wait.
// Where the class's server is one of ours, the client can start it itself and wait until the
// server says its class is registered; COM then finds the class at the first look.
#pragma once

#include <windows.h>

#include <string>

namespace zelmo::win {

// The switch that names the event a server started ahead sets once its class is registered:
// "--ready-event=<name>".
inline constexpr wchar_t kReadyEventSwitch[] = L"--ready-event=";

// True inside Wine.
bool RunningUnderWine();

// The program a LocalServer32 command starts: the quoted path, or an unquoted one up to the
// first " /" or " -" switch.
std::wstring ProgramOfCommand(const std::wstring& command);

// Under Wine, when the class's registered LocalServer32 program is named `serverFile` (compared
// without case), starts that command with -Embedding and the ready switch, and waits up to
// `timeoutMs` for the server to say its class is registered. True when it did; false when
// nothing was started (elsewhere than Wine, another program, no registration) or the server
// ended or did not answer in time, in which case COM's own start takes over as usual.
bool StartLocalServerAhead(const CLSID& clsid, const wchar_t* serverFile, DWORD timeoutMs = 10000);

// In a server: sets the event named by a `--ready-event=` argument among `args`, if any.
void SignalReady(const std::wstring& arg);

}  // namespace zelmo::win
