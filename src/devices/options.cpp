// The option lists, as function-local constants (thread-safe one-time initialisation).
#include "devices/options.h"

#include <array>
#include <string_view>

#include "devices/page_sizes.h"

namespace scandesk {
namespace {

// A page size offered without a row in the table would scan and print as A4; the lists
// below are checked against it when compiled.
template <size_t N>
consteval bool allInPageSizeTable(const std::array<std::string_view, N>& names) {
    for (std::string_view name : names) {
        if (!findPageSize(name)) {
            return false;
        }
    }
    return true;
}

constexpr std::array<std::string_view, 6> kOfferedSizes{"A4",      "A5",     "B5(JIS)",
                                                        "B5(ISO)", "Letter", "4R"};
constexpr std::array<std::string_view, 5> kOfferedSizesFor20{"A4", "A5", "B5(JIS)", "A6", "Letter"};
constexpr std::array<std::string_view, 8> kOfferedSizesForId{
    "A4", "A5", "B5(JIS)", "B5(ISO)", "Letter", "Folio", "Legal", "4R"};
static_assert(allInPageSizeTable(kOfferedSizes) && allInPageSizeTable(kOfferedSizesFor20) &&
              allInPageSizeTable(kOfferedSizesForId));

}  // namespace

const OptionList& colorModeOption() {
    static const OptionList list{"CGRAY", "GRAY256", "TEXT"};
    return list;
}

const OptionList& typeOption() {
    static const OptionList list{"AUTO", "PHOTO", "TYPE"};
    return list;
}

const OptionList& fbResolutionOption() {
    static const OptionList list{"200dpi", "300dpi", "600dpi", "1200dpi"};
    return list;
}

const OptionList& adfResolutionOption() {
    static const OptionList list{"200dpi", "300dpi", "600dpi"};
    return list;
}

const OptionList& scanSourceOptionN() {
    static const OptionList list{"AUTO", "ADF", "FB"};
    return list;
}

const OptionList& scanSourceOptionFB() {
    static const OptionList list{"FB"};
    return list;
}

const OptionList& pageSizeOption() {
    static const OptionList list(kOfferedSizes.begin(), kOfferedSizes.end());
    return list;
}

const OptionList& pageSizeOptionFor20() {
    static const OptionList list(kOfferedSizesFor20.begin(), kOfferedSizesFor20.end());
    return list;
}

const OptionList& pageSizeOptionForId() {
    static const OptionList list(kOfferedSizesForId.begin(), kOfferedSizesForId.end());
    return list;
}

const std::vector<int>& rotateOption() {
    static const std::vector<int> list{0, 90, 180, 270};
    return list;
}

const OptionList& rotateOptionTexts() {
    static const OptionList list = [] {
        OptionList texts;
        for (int angle : rotateOption()) {
            texts.push_back(std::to_string(angle));
        }
        return texts;
    }();
    return list;
}

const OptionList& combineTypeOption() {
    static const OptionList list{"NoCombine", "CombinHorizontal", "CombinVertical", "IDCard"};
    return list;
}

}  // namespace scandesk
