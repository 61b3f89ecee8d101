// yubinko-cli convert: stdin -> stdout through the Japanese code conversion.
#include <iostream>

#include "jtext/convert.h"
#include "tools/cli_command.h"

namespace {

int Run(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0] != "--to" || (args[1] != "sjis" && args[1] != "jis")) {
    std::cerr << "usage: yubinko-cli convert --to sjis|jis\n";
    return 2;
  }
  const jtext::CodeClass target = args[1] == "sjis" ? jtext::kCodeSjis : jtext::kCodeJis;
  cli::WriteStdout(jtext::ConvertCode(cli::ReadStdin(), target));
  return 0;
}

const cli::Registrar reg({"convert", "convert --to sjis|jis",
                          "Convert standard input to Shift_JIS (received text) or to "
                          "ISO-2022-JP (outgoing text); undecided text passes unchanged.",
                          Run});

}  // namespace
