// Interrupt: a process-wide request to stop, made by a signal (Ctrl+C,
// closing the terminal, logging out, kill) and polled by long work.
//
// The handler only sets a flag. Writers check it between blocks and give up
// their temporary file; the batch checks it between files. So an interrupted
// run leaves the files it finished and nothing half-written.
#pragma once

namespace velkaro {

// True once a stop was requested.
bool StopRequested();
// The signal that asked for the stop (SIGINT, SIGTERM, SIGHUP), 0 for none.
int StopSignal();
// Asks for a stop as the signal `signal` would (tests, the window's close).
void RequestStop(int signal);
// Forgets a stop request (tests; a window that starts a new batch).
void ClearStopRequest();

// Routes SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and the
// console's close) to RequestStop, and makes a file-size limit an ordinary
// write error instead of SIGXFSZ ending the process.
void InstallStopHandlers();

// The exit status of a process stopped by `signal`: 128 + its number.
int ExitStatusForSignal(int signal);

}  // namespace velkaro
