// Writes small and large example stores: for the screenshot and for the benchmark.
#pragma once

#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace app {

// Two accounts with Japanese folders and subjects, unread, read and coloured mail, one
// message with links and an attachment. Current account: "仕事用".
void WriteDemoStore(const platform::FileSystem& fs);

// n index records of one folder with varied subjects, senders, dates, sizes and states.
std::vector<std::string> MakeRecords(int n);

}  // namespace app
