// Whether a scanned page holds anything worth keeping, judged on its pixels alone.
#pragma once

#include <optional>

#include "imaging/image.h"

namespace scandesk {

/// What a page holds, as far as leaving it out of a document goes.
enum class PageContent {
    Blank,    ///< nothing but margins, specks and faint grey
    Content,  ///< marks a person put there: text, a note, a signature, a stamp
};

/// The grey level below which a pixel of the grey raster is ink rather than paper, bleed-
/// through or grain; nullopt for a page too dark to have paper showing at all.
std::optional<int> inkThreshold(const Raster& grey);

/// Judges a grey page image (any scale from about 75 dpi up; the nominal size gives the
/// scale). Margins, where punch holes, staples and the feeder's edges show, are ignored,
/// as are isolated specks and faint grey showing through from the back. Errs towards
/// content: a single line of small text is content.
PageContent judgePageContent(const Image& page);

}  // namespace scandesk
