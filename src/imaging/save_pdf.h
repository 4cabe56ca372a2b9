// Assembling a job's JPEG page files into one PDF document.
#pragma once

#include <chrono>
#include <span>
#include <string>

#include "common/bytes.h"
#include "common/result_pair.h"
#include "imaging/outcome.h"
#include "imaging/pdf_page.h"
#include "devices/scan_options.h"
#include "protocol/scan_param.h"

namespace scandesk {

/// A PDF page size in points.
struct MediaBox {
    int width = 0;
    int height = 0;
    friend bool operator==(const MediaBox&, const MediaBox&) = default;
};

/// The media box of a page size (A4: 595 x 842), turned to landscape for a rotation of 90
/// or 270 degrees.
MediaBox mediaBoxFor(PageSize pageSize, int64_t rotateAngle);

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

/// Writes page files 1 ... `pages` of the job into `pdfDir`/yyyyMMddHHmmss.pdf (now,
/// local time), one page per file, each JPEG embedded unchanged and stretched over the
/// whole media box. An existing PDF is never replaced: the name gains "-2", "-3", ...
/// Returns (true, "saveSuccessfully"), or (false, "saveImageError") with no PDF
/// written when a page file is missing or unreadable or the PDF cannot be written.
ResultPair save2PDF(const ScanParam& param, int pages, const std::string& pdfDir,
                    PageSize pageSize);

/// `save2PDF` with the moment that names the file given.
ResultPair save2PDFAt(const ScanParam& param, int pages, const std::string& pdfDir,
                      PageSize pageSize, std::chrono::system_clock::time_point when);

}  // namespace scandesk
