// yubinko-cli show-eml FILE: the text the main window shows for an opened message file.
#include <exception>
#include <iostream>

#include "mailview/eml_view.h"
#include "platform/codepage.h"
#include "tools/cli_command.h"

namespace {

int Run(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::cerr << "usage: yubinko-cli show-eml FILE\n";
    return 2;
  }
  std::string text;
  try {
    text = mailview::LoadEmlViewText(args[0]);
  } catch (const std::exception&) {
    static const std::string kFailed = platform::Sjis("EMLファイルの読み込みに失敗しました。");
    std::cerr << kFailed << "\n";
    return 1;
  }
  cli::WriteStdout(text);
  return 0;
}

const cli::Registrar reg({"show-eml", "show-eml FILE",
                          "Print, in Shift_JIS with CR LF, the header block and body that "
                          "opening the message file FILE shows.",
                          Run});

}  // namespace
