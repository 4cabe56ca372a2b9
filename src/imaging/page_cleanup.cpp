// The clean-up steps of one page, each on the reduced decode it needs.
#include "imaging/page_cleanup.h"

#include <cmath>

#include "imaging/blank_page.h"
#include "imaging/jpeg_codec.h"
#include "imaging/lossless_turn.h"
#include "imaging/skew.h"

namespace scandesk {
namespace {

// Blank marks are a few pixels wide at this resolution, and the decode is cheap.
constexpr double kBlankDotsPerInch = 75;
// Below this a turn back changes nothing a reader sees, so the page is drawn as it is.
constexpr double kLeastSkew = 0.1;

}  // namespace

Outcome<PageFindings> examinePage(std::span<const uint8_t> jpeg, const CleanUpChoices& choices,
                                  const OrientationReader& orientation) {
    PageFindings findings;
    if (choices.setAsideBlank) {
        const Outcome<Image> reduced = decodeJpegGreyReduced(jpeg, kBlankDotsPerInch);
        if (!reduced) {
            return Outcome<PageFindings>::failure(reduced.error);
        }
        findings.blank = judgePageContent(*reduced.value) == PageContent::Blank;
        if (findings.blank) {
            return {findings, {}};
        }
    }
    if (!choices.straighten && !(choices.turnUpright && orientation)) {
        return {findings, {}};
    }
    const Outcome<Image> page = decodeJpegGreyReduced(jpeg, kAnalysisDotsPerInch);
    if (!page) {
        return Outcome<PageFindings>::failure(page.error);
    }
    if (choices.turnUpright && orientation) {
        findings.quarterTurns = normalQuarterTurns(orientation(*page.value).value_or(0));
    }
    if (choices.straighten) {
        const double skew = measureSkew(*page.value, findings.quarterTurns % 2 != 0).value_or(0);
        findings.skewDegrees = std::abs(skew) < kLeastSkew ? 0 : skew;
    }
    return {findings, {}};
}

}  // namespace scandesk
