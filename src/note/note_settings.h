// The words a note's record and title strip store; the settings themselves are read through
// the store's settings table (store/settings.h).
#pragma once

#include <string_view>

#include "store/store_texts.h"

namespace kd::note_settings {

inline constexpr std::string_view kYes = store_texts::kYes;
inline constexpr std::string_view kNo = store_texts::kNo;
inline constexpr const char* kDateTitleWord = "Date";

}  // namespace kd::note_settings
