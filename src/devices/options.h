// The option lists the catalogue's models offer.
#pragma once

#include <vector>

#include "devices/scan_options.h"

namespace scandesk {

// Each list is built on first use, once, safely under concurrent first reads.
const std::vector<int>& fbResolutionOption();
const std::vector<int>& adfResolutionOption();
const std::vector<ScanSource>& scanSourceOptionN();
const std::vector<ScanSource>& scanSourceOptionFB();
const std::vector<PageSize>& pageSizeOption();
const std::vector<PageSize>& pageSizeOptionFor20();
const std::vector<PageSize>& pageSizeOptionForId();

}  // namespace scandesk
