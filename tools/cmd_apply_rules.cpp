// yubinko-cli apply-rules APPDIR FOLDER: the rule run of "現在のフォルダに適用" on the store in
// APPDIR with APPDIR/rule.ini, for FOLDER given like 受信/work/sub.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <iostream>

#include "platform/codepage.h"
#include "rules/rule_file.h"
#include "rules/rule_run.h"
#include "state/testing/fake_main_view.h"
#include "store/paths.h"
#include "tools/cli_command.h"

namespace {

// "受信/work/sub" -> "受信\work\sub\" (Shift_JIS); "" for a path that is absolute or climbs.
std::string StoreFolder(const std::string& utf8) {
  std::string path = utf8;
  std::replace(path.begin(), path.end(), '/', '\\');
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty() || path.front() == '\\') return {};
  const std::string folder = platform::Cp932FromUtf8(path);
  for (const std::string& part : rules::SplitFolderPath(folder)) {
    if (part.empty() || part == "." || part == "..") return {};
  }
  return folder + "\\";
}

int Run(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::cerr << "usage: yubinko-cli apply-rules APPDIR FOLDER\n";
    return 2;
  }
  try {
    state::MainState state{std::filesystem::path(args[0])};
    const std::string folder = StoreFolder(args[1]);
    if (folder.empty() || !std::filesystem::is_directory(args[0]) ||
        !state.fs.DirectoryExists(folder)) {
      std::cerr << "apply-rules: no such folder: " << args[1] << "\n";
      return 1;
    }
    state.current_folder = folder;
    state.account_dir = store::AccountDirectory(folder);
    state.folder_index.Load(state.fs, store::FolderIndexPath(folder));
    state.received_keys.Load(state.fs, store::ReceivedKeysPath(state.account_dir));
    state::testing::FakeMainView view(&state);
    const rules::RunResult result = rules::ApplyRulesToCurrentFolder(state, view);
    // The window keeps forgotten keys in memory until its next save; this process ends
    // here, so they are written now or a later receive would never fetch those messages.
    if (result.deleted > 0) {
      state.received_keys.Save(state.fs, store::ReceivedKeysPath(state.account_dir));
    }
  } catch (const std::exception& e) {
    std::cerr << "apply-rules: " << e.what() << "\n";
    return 1;
  }
  std::cout << "完了\n";
  return 0;
}

const cli::Registrar reg({"apply-rules", "apply-rules APPDIR FOLDER",
                          "Apply APPDIR/rule.ini to the messages of FOLDER (e.g. 受信/work), "
                          "moving or removing them as the rules say; prints 完了.",
                          Run});

}  // namespace
