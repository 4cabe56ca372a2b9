// The pages of the document (or of the last scan) as rows of thumbnails for a list view.
#pragma once

#include <QAbstractListModel>
#include <QImage>
#include <QList>
#include <functional>
#include <vector>

#include "session/document.h"
#include "ui/thumbnail_cache.h"

namespace scandesk {

/// Rows are the document's pages in order, each with its turned thumbnail and its number;
/// they can be dragged to a new place. Without a document in review, the rows are the
/// pictures of the last scan, for show only.
class PageListModel final : public QAbstractListModel {
  public:
    /// Asked to move the pages at `rows` before the row `position`.
    using Drop = std::function<void(const std::vector<size_t>& rows, size_t position)>;

    PageListModel(int thumbnailEdge, qint64 cacheBytes, QObject* parent = nullptr);

    /// Shows the document's pages (after every change of it).
    void showDocument(const Document* document);
    /// Shows the pictures of a scan that was saved at once.
    void showPictures(QList<QImage> pictures);
    /// Whether the rows are the document's pages.
    bool showsDocument() const { return document_ != nullptr; }
    void setDrop(Drop drop) { drop_ = std::move(drop); }
    const ThumbnailCache& cache() const { return cache_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

  private:
    /// A thumbnail is ready: its rows repaint.
    void thumbnailReady(const QString& path);

    const Document* document_ = nullptr;
    QList<QImage> pictures_;
    mutable ThumbnailCache cache_;
    QImage placeholder_;
    Drop drop_;
};

}  // namespace scandesk
