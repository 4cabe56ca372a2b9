// Decoding thumbnails on a small pool and keeping them in a cache bounded by bytes.
#include "ui/thumbnail_cache.h"

#include <QMetaObject>
#include <QPainter>

#include "ui/thumbnail_loader.h"

namespace scandesk {

namespace {
// Two decoders: pages come back quickly without taking every core from a running scan.
constexpr int kDecoders = 2;
constexpr QRgb kFrameGrey = 0xFF909090;
}  // namespace

ThumbnailCache::ThumbnailCache(int edge, qint64 maxBytes, Ready ready)
    : edge_(edge), ready_(std::move(ready)), maxBytes_(maxBytes) {
    pool_.setMaxThreadCount(kDecoders);
}

ThumbnailCache::~ThumbnailCache() {
    pool_.clear();
    pool_.waitForDone();
}

QImage ThumbnailCache::get(const QString& path) {
    if (auto found = cache_.find(path); found != cache_.end()) {
        recent_.splice(recent_.begin(), recent_, *found);
        return found.value()->second;
    }
    if (pending_.contains(path) || unreadable_.contains(path)) {
        return {};
    }
    pending_.insert(path);
    pool_.start([this, path, edge = edge_] {
        QImage image = decodeThumbnail(path, edge);
        if (!image.isNull()) {
            // A thin frame, so that a white page stands out from the white list.
            image = image.convertToFormat(QImage::Format_RGB32);
            QPainter painter(&image);
            painter.setPen(QColor(kFrameGrey));
            painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
        }
        QMetaObject::invokeMethod(
            this, [this, path, image] { stored(path, image); }, Qt::QueuedConnection);
    });
    return {};
}

void ThumbnailCache::forget(const QString& path) {
    if (auto found = cache_.find(path); found != cache_.end()) {
        bytes_ -= found.value()->second.sizeInBytes();
        recent_.erase(*found);
        cache_.erase(found);
    }
    unreadable_.remove(path);
}

void ThumbnailCache::stored(const QString& path, const QImage& image) {
    pending_.remove(path);
    if (image.isNull()) {
        unreadable_.insert(path);
    } else {
        forget(path);
        recent_.emplace_front(path, image);
        cache_.insert(path, recent_.begin());
        bytes_ += image.sizeInBytes();
        while (bytes_ > maxBytes_ && recent_.size() > 1) {
            forget(recent_.back().first);
        }
    }
    if (ready_) {
        ready_(path);
    }
}

}  // namespace scandesk
