// CliText: how the CLI turns the core's UTF-16 texts and paths into output
// bytes, and command-line arguments into the core's paths.
#pragma once

#include <ostream>
#include <string>

namespace velkaro::cli {

// A text as UTF-8; CR LF line breaks of messages become LF.
std::string Out(const std::u16string &text);
// A file name or path as the file system's own bytes, with control
// characters written as \t, \n or \xNN so that a row stays one line.
std::string OutName(const std::u16string &name);
// A command-line path as the core's path (lossless for any bytes).
std::u16string ArgPath(const std::string &arg);

// "velkaro-cli: " + text, on its own line.
void PrintError(std::ostream &err, const std::string &text);

}  // namespace velkaro::cli
