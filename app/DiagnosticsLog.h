// DiagnosticsLog: where the window's diagnostics go. A window program has no
// console, so on Windows Qt's messages go to the debugger (OutputDebugString)
// and to velkaro.log in the user's local application data folder
// (%LOCALAPPDATA%\Velkaro), which is opened only when there is something to
// say. Elsewhere Qt's own handler (stderr) stays.
#pragma once

#include <QString>

namespace velkaro {

// Call once the application's name is set (it names the folder).
void InstallDiagnosticsLog();
// The log file's path (empty where there is none).
QString DiagnosticsLogPath();

}  // namespace velkaro
