// Rows, thumbnails and drag and drop of the page list.
#include "ui/page_list_model.h"

#include <QGuiApplication>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QTransform>

#include "ui/translations.h"

namespace scandesk {

namespace {
constexpr const char* kRowsMime = "application/x-scandesk-page-rows";
constexpr QRgb kPlaceholderGrey = 0xFFE0E0E0;
constexpr int kSelectionFrame = 4;

/// The page inside a clear margin; when selected, the margin is filled with the
/// highlight colour instead of the usual tint, which would hide the page.
QIcon pageIcon(const QImage& image) {
    const auto framed = [&image](const QColor& frame) {
        QImage canvas(image.size() + QSize(2 * kSelectionFrame, 2 * kSelectionFrame),
                      QImage::Format_ARGB32_Premultiplied);
        canvas.fill(frame);
        QPainter painter(&canvas);
        painter.drawImage(kSelectionFrame, kSelectionFrame, image);
        return QPixmap::fromImage(canvas);
    };
    QIcon icon(framed(Qt::transparent));
    icon.addPixmap(framed(QGuiApplication::palette().color(QPalette::Highlight)), QIcon::Selected);
    return icon;
}

}  // namespace

PageListModel::PageListModel(int thumbnailEdge, qint64 cacheBytes, QObject* parent)
    : QAbstractListModel(parent),
      cache_(thumbnailEdge, cacheBytes, [this](const QString& path) { thumbnailReady(path); }),
      placeholder_(thumbnailEdge * 7 / 10, thumbnailEdge, QImage::Format_RGB32) {
    placeholder_.fill(kPlaceholderGrey);
}

void PageListModel::showDocument(const Document* document) {
    beginResetModel();
    document_ = document;
    pictures_.clear();
    endResetModel();
}

void PageListModel::showPictures(QList<QImage> pictures) {
    beginResetModel();
    document_ = nullptr;
    pictures_ = std::move(pictures);
    endResetModel();
}

int PageListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return document_ ? static_cast<int>(document_->size()) : static_cast<int>(pictures_.size());
}

QVariant PageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int row = index.row();
    if (role == Qt::DisplayRole) {
        return QString::number(row + 1);
    }
    if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) {
        QString text = displayText("pageNumber").arg(row + 1);
        if (document_ && document_->pages()[row].facts->blank) {
            text += " · " + displayText("blankPage");
        }
        return text;
    }
    if (role != Qt::DecorationRole) {
        return {};
    }
    if (!document_) {
        return pageIcon(pictures_[row]);
    }
    const DocumentPage& page = document_->pages()[row];
    const QImage image = cache_.get(QString::fromStdString(document_->pathOf(page)));
    if (image.isNull()) {
        return pageIcon(placeholder_);
    }
    if (page.quarterTurns == 0) {
        return pageIcon(image);
    }
    return pageIcon(image.transformed(QTransform().rotate(90.0 * page.quarterTurns)));
}

Qt::ItemFlags PageListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (!document_) {
        return flags;
    }
    // Pages drag onto the gaps between pages, never onto a page.
    return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags | Qt::ItemIsDropEnabled;
}

Qt::DropActions PageListModel::supportedDropActions() const {
    return Qt::MoveAction;
}

QStringList PageListModel::mimeTypes() const {
    return {kRowsMime};
}

QMimeData* PageListModel::mimeData(const QModelIndexList& indexes) const {
    QStringList rows;
    for (const QModelIndex& index : indexes) {
        rows.append(QString::number(index.row()));
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(kRowsMime, rows.join(',').toUtf8());
    return data.release();  // the view owns it
}

bool PageListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                 const QModelIndex& parent) {
    if (!document_ || action != Qt::MoveAction || !data->hasFormat(kRowsMime) || !drop_) {
        return false;
    }
    std::vector<size_t> rows;
    for (const QByteArray& number : data->data(kRowsMime).split(',')) {
        bool ok = false;
        const int value = number.toInt(&ok);
        if (ok && value >= 0) {
            rows.push_back(static_cast<size_t>(value));
        }
    }
    const int position = row >= 0 ? row : (parent.isValid() ? parent.row() : rowCount());
    // The document moves the pages itself; the view must not remove the dragged rows.
    drop_(rows, static_cast<size_t>(position));
    return false;
}

void PageListModel::thumbnailReady(const QString& path) {
    if (!document_) {
        return;
    }
    for (size_t i = 0; i < document_->size(); ++i) {
        if (QString::fromStdString(document_->pathOf(document_->pages()[i])) == path) {
            const QModelIndex changed = index(static_cast<int>(i));
            emit dataChanged(changed, changed, {Qt::DecorationRole});
        }
    }
}

}  // namespace scandesk
