// Applying clean-up findings to page files: set aside, turned losslessly, or described.
#include "imaging/cleaned_pages.h"

#include "imaging/lossless_turn.h"
#include "imaging/page_files.h"
#include "imaging/set_aside.h"

namespace scandesk {

Outcome<CleanedPages> applyFindings(const std::vector<std::string>& pageFiles,
                                    const std::vector<PageFindings>& findings,
                                    const std::string& blankFolder, bool turnFiles) {
    if (pageFiles.size() != findings.size()) {
        return Outcome<CleanedPages>::failure("findings for " + std::to_string(findings.size()) +
                                              " of " + std::to_string(pageFiles.size()) + " pages");
    }
    CleanedPages cleaned;
    std::vector<std::string> blank;
    for (size_t n = 0; n < pageFiles.size(); ++n) {
        const PageFindings& found = findings[n];
        if (found.blank) {
            blank.push_back(pageFiles[n]);
            continue;
        }
        PdfPage page{pageFiles[n], normalQuarterTurns(found.quarterTurns), found.skewDegrees, {}};
        if (turnFiles && page.quarterTurns != 0) {
            const Outcome<Bytes> stored = readWholeFile(page.file);
            const Outcome<Bytes> turned =
                stored ? turnPageFile(*stored.value, page.quarterTurns) : stored;
            if (!turned) {
                return Outcome<CleanedPages>::failure(turned.error);
            }
            if (auto failed = writeFileAtomically(page.file, *turned.value)) {
                return Outcome<CleanedPages>::failure(*failed);
            }
            page.quarterTurns = 0;
        }
        cleaned.kept.push_back(std::move(page));
    }
    if (!blank.empty()) {
        const Outcome<std::string> folder = setAsidePages(blank, blankFolder);
        if (!folder) {
            return Outcome<CleanedPages>::failure(folder.error);
        }
        cleaned.folder = *folder.value;
        cleaned.setAside = static_cast<int>(blank.size());
    }
    return {std::move(cleaned), {}};
}

}  // namespace scandesk
