// The typed values of a scan's choices, and their one spelling at the edges.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace scandesk {

/// Where the paper is taken from.
enum class ScanSource { automatic, feeder, flatbed };

/// How many colours a page keeps; `blackWhite` pages have one bit per pixel.
enum class ColorMode { color, gray, blackWhite };

/// What the page holds, so the scanner can tune its processing.
enum class ContentType { automatic, photo, text };

/// How pages are put two on one sheet.
enum class CombineType { none, horizontal, vertical, idCard };

/// What a scan leaves: page files (JPEG, or BMP for black-and-white pages) or one PDF.
enum class FileType { image, pdf };

/// A counter-clockwise turn of every page, in quarter turns.
enum class Rotation { none, quarter, half, threeQuarters };

/// How the scanner is reached.
enum class Transport { usb, network };

/// The page sizes the scanners know.
enum class PageSize { a4, a5, b5Jis, b5Iso, letter, photo4R, a6, folio, legal };

/// The texts each enum is written as: protocol values, command-line values, settings
/// values and localisation keys at once. Indexed by the enumerator's value.
template <typename E>
struct OptionTexts;

template <>
struct OptionTexts<ScanSource> {
    static constexpr std::array<std::string_view, 3> texts{"AUTO", "ADF", "FB"};
};
template <>
struct OptionTexts<ColorMode> {
    static constexpr std::array<std::string_view, 3> texts{"CGRAY", "GRAY256", "TEXT"};
};
template <>
struct OptionTexts<ContentType> {
    static constexpr std::array<std::string_view, 3> texts{"AUTO", "PHOTO", "TYPE"};
};
template <>
struct OptionTexts<CombineType> {
    static constexpr std::array<std::string_view, 4> texts{"NoCombine", "CombinHorizontal",
                                                           "CombinVertical", "IDCard"};
};
template <>
struct OptionTexts<FileType> {
    static constexpr std::array<std::string_view, 2> texts{"image", "pdf"};
};
template <>
struct OptionTexts<Rotation> {
    static constexpr std::array<std::string_view, 4> texts{"0", "90", "180", "270"};
};
template <>
struct OptionTexts<Transport> {
    static constexpr std::array<std::string_view, 2> texts{"USB", "Net"};
};
template <>
struct OptionTexts<PageSize> {
    static constexpr std::array<std::string_view, 9> texts{
        "A4", "A5", "B5(JIS)", "B5(ISO)", "Letter", "4R", "A6", "Folio", "Legal"};
};

/// The value's text.
template <typename E>
constexpr std::string_view toText(E value) {
    return OptionTexts<E>::texts[static_cast<size_t>(value)];
}

/// The value a text names (exact spelling); nothing for any other text.
template <typename E>
constexpr std::optional<E> parseOption(std::string_view text) {
    const auto& texts = OptionTexts<E>::texts;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == text) {
            return static_cast<E>(i);
        }
    }
    return std::nullopt;
}

/// Every value of the enum, in declaration order.
template <typename E>
constexpr auto allOptions() {
    std::array<E, OptionTexts<E>::texts.size()> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<E>(i);
    }
    return values;
}

/// The turn in degrees: 0, 90, 180 or 270.
constexpr int degrees(Rotation rotation) {
    return 90 * static_cast<int>(rotation);
}

/// Whether the pages are put two on one sheet.
constexpr bool combines(CombineType combine) {
    return combine != CombineType::none;
}

/// A resolution as the command line, the settings and the window write it: "300dpi".
std::string resolutionText(int dpi);

/// The dots per inch of a text such as "300dpi"; nothing for any other text.
std::optional<int> parseResolution(std::string_view text);

}  // namespace scandesk
