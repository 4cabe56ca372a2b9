// The prompts between the two passes of a combined scan on a scanner without a screen.
#pragma once

#include <string>
#include <string_view>

namespace scandesk {

/// Prompt key after the first of two pages.
inline constexpr std::string_view kNextPagePrompt =
    "请确保机器回到就绪状态后，放置下一页，然后点击确认按钮";
/// Prompt key after the first side of an ID card.
inline constexpr std::string_view kTurnCardPrompt =
    "请确保机器回到就绪状态后，将身份证翻面，然后点击确认按钮";
/// The key every prompt contains; an alert containing its text asks for the second pass.
inline constexpr std::string_view kConfirmButtonKey = "确认按钮";
/// Message key after a successful second pass.
inline constexpr std::string_view kTwoPassDoneKey = "二合一扫描流程结束";

/// Whether an (already localised) alert message asks the user to start the second pass.
bool asksForSecondPass(const std::string& alertMessage);

}  // namespace scandesk
