// Decoding page thumbnails on the loader's own thread.
#include "ui/thumbnail_loader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMetaObject>

#include "imaging/page_files.h"

namespace scandesk {
namespace {

// How much larger than the thumbnail the cheap first step of a BMP scale-down stays.
constexpr int kCoarseFactor = 4;

}  // namespace

ThumbnailLoader::ThumbnailLoader(int edge, Ready ready) : edge_(edge), ready_(std::move(ready)) {
    // One decode at a time: thumbnails arrive in page order and a big page does not
    // take more than one core from the scan.
    pool_.setMaxThreadCount(1);
}

ThumbnailLoader::~ThumbnailLoader() {
    pool_.clear();
    pool_.waitForDone();
}

void ThumbnailLoader::load(int pageNo, const std::string& filePath) {
    pool_.start([this, pageNo, filePath, edge = edge_] {
        for (const char* extension : {".jpg", ".bmp"}) {
            const QString path = QString::fromStdString(pageFileName(filePath, pageNo, extension));
            if (!QFileInfo::exists(path)) {
                continue;
            }
            QImage thumbnail = decodeThumbnail(path, edge);
            if (!thumbnail.isNull()) {
                QMetaObject::invokeMethod(
                    this, [this, pageNo, thumbnail] { ready_(pageNo, thumbnail); },
                    Qt::QueuedConnection);
            }
            return;
        }
    });
}

QImage decodeThumbnail(const QString& path, int edge) {
    QImageReader reader(path);
    const QSize full = reader.size();
    if (!full.isValid()) {
        return {};
    }
    const QSize target = full.scaled(edge, edge, Qt::KeepAspectRatio);
    if (reader.supportsOption(QImageIOHandler::ScaledSize)) {
        // The JPEG reader decodes at a fraction of the size: a 1200 dpi page never
        // exists whole in memory.
        reader.setScaledSize(target);
        return reader.read();
    }
    // A one-bit BMP page is small whole, but smooth scaling would first widen it to
    // 32 bits: thin it out cheaply, then smooth the last step.
    const QImage page = reader.read();
    if (page.isNull()) {
        return {};
    }
    return page.scaled(target * kCoarseFactor, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace scandesk
