// Small pictures of stored page files, decoded away from the GUI thread.
#pragma once

#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <string>

namespace scandesk {

/// Decodes page files at thumbnail size on a thread of its own, one at a time in the
/// order asked, and hands each picture to `ready` on the thread that owns the loader.
/// A loader that goes away waits for the decode in progress and drops the rest.
class ThumbnailLoader final : public QObject {
  public:
    using Ready = std::function<void(int pageNo, const QImage& thumbnail)>;

    ThumbnailLoader(int edge, Ready ready);
    ~ThumbnailLoader() override;
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    /// Decodes page `pageNo` of the job whose page files start with `filePath`
    /// ("-0001.jpg" or "-0001.bmp" follows); a page that cannot be read gives nothing.
    void load(int pageNo, const std::string& filePath);

  private:
    int edge_;
    Ready ready_;
    QThreadPool pool_;
};

/// The picture in the file scaled to fit an `edge` square; a JPEG is decoded at a
/// reduced size rather than whole. Null when the file cannot be read.
QImage decodeThumbnail(const QString& path, int edge);

}  // namespace scandesk
