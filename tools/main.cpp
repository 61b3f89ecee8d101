// yubinko-cli: the core's operations from a shell (conversions, message files, ...).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "tools/cli_command.h"

namespace cli {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

std::string ReadStdin() {
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(0, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("cannot read standard input");
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  return data;
}

void WriteStdout(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(1, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("cannot write standard output");
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace cli

namespace {

void PrintHelp(std::ostream& out) {
  auto commands = cli::Registry();
  std::sort(commands.begin(), commands.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  out << "Usage: yubinko-cli COMMAND [ARGS]\n\n"
      << "Yubinko's mail store, Japanese text conversions and mail transport from a shell.\n"
      << "Bytes go in on standard input and out on standard output, nothing added.\n\n"
      << "Commands:\n";
  for (const auto& c : commands) out << "  " << c.usage << "\n      " << c.summary << "\n";
  out << "  --help\n      Show this text.\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(args.empty() ? std::cerr : std::cout);
    return args.empty() ? 2 : 0;
  }
  for (const auto& c : cli::Registry()) {
    if (c.name == args[0]) {
      try {
        return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
      } catch (const std::exception& e) {
        std::cerr << "yubinko-cli " << c.name << ": " << e.what() << "\n";
        return 1;
      }
    }
  }
  std::cerr << "yubinko-cli: unknown command '" << args[0] << "' (try --help)\n";
  return 2;
}
