// Rendering text pages with Cairo's text API and recording where each word lands.
#include "support/text_page.h"

#include <cairo.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "imaging/jpeg_codec.h"

namespace scandesk::testing {

namespace {

constexpr double kDpi = 300;
constexpr double kMargin = 200;

struct SurfaceFree {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextFree {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};

}  // namespace

TextPage renderTextPage(const std::vector<std::string>& lines, const std::string& font,
                        double points, int width, int height, bool grey) {
    Raster colour(width, height, PixelFormat::Rgb32);
    std::unique_ptr<cairo_surface_t, SurfaceFree> surface(cairo_image_surface_create_for_data(
        colour.data(), CAIRO_FORMAT_RGB24, width, height, colour.stride()));
    std::unique_ptr<cairo_t, ContextFree> cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    cairo_select_font_face(cr.get(), font.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_NORMAL);
    const double pixels = points * kDpi / 72;
    cairo_set_font_size(cr.get(), pixels);
    cairo_text_extents_t space;
    cairo_text_extents(cr.get(), " ", &space);

    TextPage page;
    double baseline = kMargin + pixels;
    for (const std::string& line : lines) {
        std::istringstream words(line);
        double x = kMargin;
        for (std::string word; words >> word;) {
            cairo_text_extents_t ink;
            cairo_text_extents(cr.get(), word.c_str(), &ink);
            cairo_move_to(cr.get(), x, baseline);
            cairo_show_text(cr.get(), word.c_str());
            page.words.push_back(
                {word, x + ink.x_bearing, baseline + ink.y_bearing, ink.width, ink.height});
            x += ink.x_advance + space.x_advance;
        }
        baseline += 1.8 * pixels;
    }
    cairo_surface_flush(surface.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot render the text page");
    }
    page.image.raster = grey ? convertRaster(colour, PixelFormat::Gray8) : std::move(colour);
    page.image.width = width * 72 / kDpi;
    page.image.height = height * 72 / kDpi;
    return page;
}

Bytes pageJpeg(const TextPage& page) {
    Outcome<Bytes> jpeg = encodeJpeg(page.image, 95);
    if (!jpeg) {
        throw std::runtime_error("cannot encode the text page: " + jpeg.error);
    }
    return *jpeg.value;
}

}  // namespace scandesk::testing
