// The option lists, as function-local constants (thread-safe one-time initialisation).
#include "devices/options.h"

namespace scandesk {

const std::vector<int>& fbResolutionOption() {
    static const std::vector<int> list{200, 300, 600, 1200};
    return list;
}

const std::vector<int>& adfResolutionOption() {
    static const std::vector<int> list{200, 300, 600};
    return list;
}

const std::vector<ScanSource>& scanSourceOptionN() {
    static const std::vector<ScanSource> list{ScanSource::automatic, ScanSource::feeder,
                                              ScanSource::flatbed};
    return list;
}

const std::vector<ScanSource>& scanSourceOptionFB() {
    static const std::vector<ScanSource> list{ScanSource::flatbed};
    return list;
}

const std::vector<PageSize>& pageSizeOption() {
    static const std::vector<PageSize> list{PageSize::a4,    PageSize::a5,     PageSize::b5Jis,
                                            PageSize::b5Iso, PageSize::letter, PageSize::photo4R};
    return list;
}

const std::vector<PageSize>& pageSizeOptionFor20() {
    static const std::vector<PageSize> list{PageSize::a4, PageSize::a5, PageSize::b5Jis,
                                            PageSize::a6, PageSize::letter};
    return list;
}

const std::vector<PageSize>& pageSizeOptionForId() {
    static const std::vector<PageSize> list{PageSize::a4,    PageSize::a5,     PageSize::b5Jis,
                                            PageSize::b5Iso, PageSize::letter, PageSize::folio,
                                            PageSize::legal, PageSize::photo4R};
    return list;
}

}  // namespace scandesk
