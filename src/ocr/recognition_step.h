// The recognition step: the page's words for its text layer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ocr/page_step.h"

namespace scandesk {

/// A step that recognises the page's text in `languages` (Tesseract codes) with a
/// single-threaded engine of its own; a page it cannot read gets `textMissing`.
PageStepFactory recognitionStep(std::vector<std::string> languages);

}  // namespace scandesk
