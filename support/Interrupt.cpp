// Interrupt: the stop flag and the handlers that set it.
#include "support/Interrupt.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#endif

namespace velkaro {

namespace {

std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT: RequestStop(SIGINT); return TRUE;
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: RequestStop(SIGTERM); return TRUE;
    default: return FALSE;
  }
}
#else
extern "C" void OnStopSignal(int signal) { RequestStop(signal); }
#endif

}  // namespace

thread_local int tStopsIgnored = 0;

bool StopRequested() {
  return tStopsIgnored == 0 && gStopSignal.load(std::memory_order_relaxed) != 0;
}

StopIgnoredOnThisThread::StopIgnoredOnThisThread() { ++tStopsIgnored; }
StopIgnoredOnThisThread::~StopIgnoredOnThisThread() { --tStopsIgnored; }

int StopSignal() { return gStopSignal.load(std::memory_order_relaxed); }

void RequestStop(int signal) {
  int none = 0;
  gStopSignal.compare_exchange_strong(none, signal == 0 ? SIGTERM : signal);
}

void ClearStopRequest() { gStopSignal.store(0); }

int ClosedOutputSignal() {
#ifdef SIGPIPE
  return SIGPIPE;
#else
  return 13;  // Windows has no SIGPIPE; the status is the one POSIX shells know
#endif
}

void RequestStopForClosedOutput() { RequestStop(ClosedOutputSignal()); }

void InstallStopHandlers() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read or write returns early and the caller
  // polls the flag sooner.
  action.sa_flags = 0;
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
    sigaddset(&stops, signal);
  }
  // Started with them blocked (the mask is inherited), a stop would wait
  // unseen until the end; one that is pending reaches the handler now.
  pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
  // Past `ulimit -f` write() then fails with EFBIG, which the writer reports
  // for that one file; the default action would kill the whole batch.
  std::signal(SIGXFSZ, SIG_IGN);
  // A write to a pipe nobody reads then fails with EPIPE, and the caller
  // stops as for a signal, after the file in progress gave up its
  // temporary file.
  std::signal(SIGPIPE, SIG_IGN);
#endif
}

int ExitStatusForSignal(int signal) { return 128 + signal; }

}  // namespace velkaro
