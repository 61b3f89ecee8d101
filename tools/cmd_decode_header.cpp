// yubinko-cli decode-header: one raw header value on stdin, decoded Shift_JIS on stdout.
#include <iostream>

#include "jtext/header_decode.h"
#include "tools/cli_command.h"

namespace {

int Run(const std::vector<std::string>& args) {
  std::string charset;
  if (args.size() == 2 && args[0] == "--charset") {
    charset = args[1];
  } else if (!args.empty()) {
    std::cerr << "usage: yubinko-cli decode-header [--charset CS]\n";
    return 2;
  }
  const std::string value = cli::ReadStdin();
  cli::WriteStdout(jtext::DecodeHeaderValue(jtext::RelabelShiftJis(value), charset));
  return 0;
}

const cli::Registrar reg({"decode-header", "decode-header [--charset CS]",
                          "Decode one received header value (encoded words, raw JIS or "
                          "EUC-JP) to Shift_JIS; CS is the message's upper-cased charset.",
                          Run});

}  // namespace
