// Small pictures of the document's pages: decoded off the GUI thread, kept within a budget.
#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <list>
#include <utility>

namespace scandesk {

/// Thumbnails of page files by path. A picture not yet decoded is queued on the cache's
/// own threads and announced through `ready` on the thread that owns the cache; the
/// least recently used ones are dropped once their pixels pass `maxBytes` (they are
/// decoded again when asked for).
class ThumbnailCache final : public QObject {
  public:
    using Ready = std::function<void(const QString& path)>;

    ThumbnailCache(int edge, qint64 maxBytes, Ready ready);
    /// Drops queued decodes and waits for the running ones.
    ~ThumbnailCache() override;
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    /// The picture of the page file, or a null image while it is being decoded (or when
    /// the file cannot be read).
    QImage get(const QString& path);
    /// Forgets a file's picture (its file is gone or replaced).
    void forget(const QString& path);
    /// Bytes of pixels held now.
    qint64 bytes() const { return bytes_; }
    int edge() const { return edge_; }

  private:
    void stored(const QString& path, const QImage& image);

    int edge_;
    Ready ready_;
    qint64 maxBytes_;
    qint64 bytes_ = 0;
    /// Most recently used first.
    std::list<std::pair<QString, QImage>> recent_;
    QHash<QString, std::list<std::pair<QString, QImage>>::iterator> cache_;
    QSet<QString> pending_;
    QSet<QString> unreadable_;
    QThreadPool pool_;
};

}  // namespace scandesk
