// Interrupt: a process-wide request to stop, made by a signal (Ctrl+C,
// closing the terminal, logging out, kill) and polled by long work.
//
// The handler only sets a flag. Writers check it between blocks and give up
// their temporary file; the batch checks it between files. So an interrupted
// run leaves the files it finished and nothing half-written.
#pragma once

namespace velkaro {

// True once a stop was requested (and not ignored on this thread).
bool StopRequested();
// While one lives, StopRequested is false on the thread that made it: what
// must be written whole after a stop too (the record of what a stopped
// batch finished) is not given up half way.
class StopIgnoredOnThisThread {
 public:
  StopIgnoredOnThisThread();
  ~StopIgnoredOnThisThread();
  StopIgnoredOnThisThread(const StopIgnoredOnThisThread &) = delete;
  StopIgnoredOnThisThread &operator=(const StopIgnoredOnThisThread &) = delete;
};
// The signal that asked for the stop (SIGINT, SIGTERM, SIGHUP), 0 for none.
int StopSignal();
// Asks for a stop as the signal `signal` would (tests, the window's close).
void RequestStop(int signal);
// Forgets a stop request (tests; a window that starts a new batch).
void ClearStopRequest();

// The stop of a program whose standard output was closed (the reader of its
// pipe left, as `| head -1` does): the signal SIGPIPE would have been.
int ClosedOutputSignal();
// Asks for that stop. A stop asked for before (Ctrl+C that also ended the
// reader of the pipe) keeps its own signal.
void RequestStopForClosedOutput();

// Routes SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and the
// console's close) to RequestStop, and makes a file-size limit and a closed
// output pipe ordinary write errors instead of SIGXFSZ or SIGPIPE ending the
// process with its work half done.
void InstallStopHandlers();

// The exit status of a process stopped by `signal`: 128 + its number.
int ExitStatusForSignal(int signal);

}  // namespace velkaro
