// The clean-up findings of one stored page: blank or not, which way up, how skewed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "imaging/image.h"
#include "imaging/outcome.h"

namespace scandesk {

/// Which clean-up steps run on each page.
struct CleanUpChoices {
    bool setAsideBlank = false;  ///< blank pages are left out of the document
    bool straighten = false;     ///< skew is measured and drawn back in the PDF
    bool turnUpright = false;    ///< pages fed upside down or sideways are turned
    bool any() const { return setAsideBlank || straighten || turnUpright; }
    friend bool operator==(const CleanUpChoices&, const CleanUpChoices&) = default;
};

/// What the steps found on a page; the page file itself never changes.
struct PageFindings {
    bool blank = false;
    int quarterTurns = 0;    ///< clockwise quarter turns that bring the page upright
    double skewDegrees = 0;  ///< content turned counter-clockwise by this much
    friend bool operator==(const PageFindings&, const PageFindings&) = default;
};

/// Reads which way up a grey page is: the clockwise quarter turns that bring it upright,
/// or nothing when it cannot tell (too little text, low confidence).
using OrientationReader = std::function<std::optional<int>(const Image& page)>;

/// Resolution at which orientation and skew read a page.
inline constexpr double kAnalysisDotsPerInch = 150;

/// Runs the chosen steps on a stored JPEG page file, in order: blank check (a blank page
/// gets no further step), orientation, skew. A skew too small to see is none. Fails only
/// when the page cannot be decoded; such a page is kept as it is.
Outcome<PageFindings> examinePage(std::span<const uint8_t> jpeg, const CleanUpChoices& choices,
                                  const OrientationReader& orientation);

}  // namespace scandesk
