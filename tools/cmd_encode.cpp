// yubinko-cli encode-header / encode-word: Shift_JIS header text into encoded words.
#include <iostream>

#include "jtext/header_encode.h"
#include "tools/cli_command.h"

namespace {

template <std::string (*Encode)(std::string_view)>
int Run(const char* name, const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::cerr << "usage: yubinko-cli " << name << "\n";
    return 2;
  }
  cli::WriteStdout(Encode(cli::ReadStdin()));
  return 0;
}

const cli::Registrar header_reg(
    {"encode-header", "encode-header",
     "Encode a Shift_JIS subject or sender: each run of double-byte characters becomes one "
     "ISO-2022-JP B encoded word.",
     [](const std::vector<std::string>& args) {
       return Run<jtext::EncodeHeaderWords>("encode-header", args);
     }});

const cli::Registrar word_reg(
    {"encode-word", "encode-word",
     "Encode a Shift_JIS file name or Message-ID as one ISO-2022-JP B encoded word when it "
     "holds a double-byte character.",
     [](const std::vector<std::string>& args) {
       return Run<jtext::EncodeWholeWord>("encode-word", args);
     }});

}  // namespace
