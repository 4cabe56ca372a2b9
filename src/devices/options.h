// The fixed option lists: display keys and protocol values at once.
#pragma once

#include <string>
#include <vector>

namespace scandesk {

using OptionList = std::vector<std::string>;

// Each list is built on first use, once, safely under concurrent first reads.
const OptionList& colorModeOption();
const OptionList& typeOption();
const OptionList& fbResolutionOption();
const OptionList& adfResolutionOption();
const OptionList& scanSourceOptionN();
const OptionList& scanSourceOptionFB();
const OptionList& pageSizeOption();
const OptionList& pageSizeOptionFor20();
const OptionList& pageSizeOptionForId();
const std::vector<int>& rotateOption();
/// The rotation angles in decimal ("0", "90", ...): display keys and command-line values.
const OptionList& rotateOptionTexts();
const OptionList& combineTypeOption();

}  // namespace scandesk
