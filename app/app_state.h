// The window code's names for the Qt-free state library and the store's record helpers.
#pragma once

#include "state/main_state.h"

namespace app {

using state::DirectoryOf;
using state::JoinLines;
using state::LoadLines;
using state::MainState;
using state::SaveLines;
using state::SortedList;
using state::UnreadCount;
using store::FileStem;
using store::JoinRecord;
using store::SplitLines;
using store::SplitRecord;

}  // namespace app
