// The prompts between the two passes of a combined scan on a scanner without a screen.
#pragma once

#include <string_view>

namespace scandesk {

/// Prompt key after the first of two pages.
inline constexpr std::string_view kNextPagePrompt =
    "请确保机器回到就绪状态后，放置下一页，然后点击确认按钮";
/// Prompt key after the first side of an ID card.
inline constexpr std::string_view kTurnCardPrompt =
    "请确保机器回到就绪状态后，将身份证翻面，然后点击确认按钮";
/// Message key after a successful second pass.
inline constexpr std::string_view kTwoPassDoneKey = "二合一扫描流程结束";

}  // namespace scandesk
