// The clean-up step of the per-page pipeline: blank check, orientation and skew.
#pragma once

#include "imaging/page_cleanup.h"
#include "ocr/page_step.h"
#include "ocr/tesseract_engine.h"

namespace scandesk {

/// A step that runs the chosen clean-up checks on the page file, in order (blank check,
/// orientation, skew), with a single-threaded orientation engine of its own when turning
/// is chosen. A page it cannot read is left as it is (kept, not turned, not straightened).
PageStepFactory cleanUpStep(CleanUpChoices choices);

/// Which way up a page is, read by an engine opened for "osd"; nothing when Tesseract is
/// not sure. The engine must outlive the reader.
OrientationReader orientationReaderOf(TesseractEngine& engine);

}  // namespace scandesk
