// Tesseract language codes: the ones installed here, and a request such as "chi_sim+eng".
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace scandesk {

/// The folder holding Tesseract's trained data: $TESSDATA_PREFIX when set, otherwise the
/// distribution's folder.
std::string tessdataDir();

/// The recognition languages installed in `dir` (trained data files, without the
/// orientation model "osd"), sorted.
std::vector<std::string> installedLanguages(const std::string& dir = tessdataDir());

/// The codes of a request joined by '+' ("eng", "chi_sim+eng"), in order and without
/// repeats; nothing when it is empty or a code is empty or holds other than letters,
/// digits and '_'.
std::optional<std::vector<std::string>> parseLanguages(const std::string& request);

/// The codes of the request that are not among `installed` (empty: all are there).
std::vector<std::string> missingLanguages(const std::vector<std::string>& request,
                                          const std::vector<std::string>& installed);

/// The codes joined by '+'.
std::string joinLanguages(const std::vector<std::string>& codes);

}  // namespace scandesk
