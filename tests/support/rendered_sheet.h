// Scanned sheets rendered at test time (Cairo, DejaVu fonts): text, notes, holes, noise.
#pragma once

#include "common/bytes.h"
#include "imaging/image.h"

namespace scandesk::testing {

/// What is printed on a sheet.
enum class SheetKind {
    Text,          ///< a letter: a heading and paragraphs of English prose
    OneLineNote,   ///< one short line of 10 pt handwriting-sized text, nothing else
    SmallPrint,    ///< one line of 6 pt type, nothing else
    PunchHoles,    ///< two punch holes, a staple and the feeder's edge shadow
    Noise,         ///< dust and specks scattered over the whole sheet
    BleedThrough,  ///< faint grey mirrored text showing through from the back
};

/// A sheet as a scanner sees it.
struct Sheet {
    SheetKind kind = SheetKind::Text;
    double skewDegrees = 0;  ///< content turned counter-clockwise on screen by this much
    int quarterTurns = 0;    ///< turned clockwise as stored: 2 is a sheet fed upside down
};

/// The sheet as an A4 grey page at `dotsPerInch`.
Image renderSheet(const Sheet& sheet, double dotsPerInch = 300);

/// The sheet as a stored page file: a grey JPEG at the page files' quality.
Bytes sheetJpeg(const Sheet& sheet, double dotsPerInch = 300);

}  // namespace scandesk::testing
