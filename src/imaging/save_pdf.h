// Assembling a job's JPEG page files into one PDF document.
#pragma once

#include <chrono>
#include <span>
#include <string>

#include <vector>

#include "devices/scan_options.h"
#include "imaging/outcome.h"
#include "imaging/page_job.h"
#include "imaging/pdf_page.h"

namespace scandesk {

/// A PDF page size in points.
struct MediaBox {
    int width = 0;
    int height = 0;
    friend bool operator==(const MediaBox&, const MediaBox&) = default;
};

/// The media box of a page size (A4: 595 x 842), turned to landscape for a quarter turn
/// either way.
MediaBox mediaBoxFor(PageSize pageSize, Rotation rotation);

/// Local time as "yyyyMMddHHmmss", the PDF's file name.
std::string timeStampName(std::chrono::system_clock::time_point when);

/// Writes the pages into `pdfDir`/yyyyMMddHHmmss.pdf (`when`, local time), one page per
/// page file, each JPEG embedded unchanged and stretched over the whole media box, turned
/// by its /Rotate. An existing PDF is never replaced: the name gains "-2", "-3", ...
/// The path written, or the failure with no PDF written when a page file is missing or
/// unreadable or the PDF cannot be written.
Outcome<std::string> writePdf(std::span<const PdfPage> pages, const MediaBox& box,
                              const std::string& pdfDir,
                              std::chrono::system_clock::time_point when);

/// The job's page files 1 ... `pages` as PDF pages, unturned, without a text layer.
std::vector<PdfPage> jobPdfPages(const PageJob& job, int pages);

}  // namespace scandesk
