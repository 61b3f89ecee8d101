// Subcommands of yubinko-cli register themselves here; each lives in its own cmd_*.cpp.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

struct Command {
  std::string name;
  std::string usage;    // e.g. "convert --to sjis|jis"
  std::string summary;  // one line for --help
  // Arguments after the command name; returns the process exit code.
  std::function<int(const std::vector<std::string>& args)> run;
};

std::vector<Command>& Registry();

struct Registrar {
  explicit Registrar(Command c) { Registry().push_back(std::move(c)); }
};

// Whole standard input as bytes, and bytes to standard output, untouched.
std::string ReadStdin();
void WriteStdout(const std::string& bytes);

}  // namespace cli
