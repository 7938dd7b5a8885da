#include "cli/UndoCommand.h"

#include "cli/CliText.h"
#include "cli/ConvertCommand.h"
#include "convert/UndoBatch.h"
#include "support/Func_2.h"
#include "support/Interrupt.h"

namespace velkaro::cli {

namespace {

// Each file as it is undone: the restored ones on stdout, those left alone
// on stderr with the reason, as convert reports its files.
class CliUndoReporter final : public UndoReporter {
 public:
  CliUndoReporter(std::ostream &out, std::ostream &err, bool dryRun)
      : out_(out), err_(err), dryRun_(dryRun) {}

  void FileUndone(const std::u16string &D, const UndoRow &row) override {
    const std::string line = OutName(JoinPath(D, row.name)) + ": " + Out(UndoRowReason(row, dryRun_));
    if (IsLeftAlone(row.outcome)) {
      PrintError(err_, line);
    } else {
      out_ << line << '\n';
      out_.flush();
      if (!out_)
        RequestStopForClosedOutput();
    }
  }

 private:
  std::ostream &out_;
  std::ostream &err_;
  bool dryRun_;
};

}  // namespace

int RunUndo(const UndoOptions &options, std::ostream &out, std::ostream &err) {
  velkaro::UndoOptions undo;
  undo.dryRun = options.dryRun;
  CliUndoReporter reporter(out, err, options.dryRun);
  const UndoResult result = UndoLastBatch(ArgPath(options.dest), undo, &reporter);
  if (!result.refusal.empty()) {
    PrintError(err, Out(result.refusal));
    return kExitUsage;
  }
  if (options.dryRun)
    out << Out(BatchDescriptionText(*result.batch)) << "を元に戻す場合（何も変更していません）\n";
  out << Out(UndoSummaryText(result)) << '\n';
  out.flush();
  if (!result.recordWritten)
    PrintError(err, "変換の記録に「元に戻した」と書き込めませんでした。もう一度 undo を実行して下さい。");
  if (result.interrupted) {
    PrintError(err, "中断しました。もう一度 undo を実行すると続きを元に戻します。");
    return ExitStatusForSignal(StopSignal());
  }
  return result.leftAlone > 0 ? kExitSomeFailed : kExitOk;
}

}  // namespace velkaro::cli
