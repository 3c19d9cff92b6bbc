#include "ui/ImageList.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

namespace {

const char* const designResources[] = {
    ":/icons/version-checkedin.svg", ":/icons/version-checkedout.svg", ":/icons/exit.svg",
    ":/icons/select-workspace.svg",  ":/icons/rebuild-workspace.svg",  ":/icons/about.svg",
    ":/icons/checked-out-list.svg",  ":/icons/compare-parent.svg",     ":/icons/compare-other.svg",
    ":/icons/history.svg",           ":/icons/send-archive.svg",
};

} // namespace

ImageList::ImageList(int size) : size_(size) {}

qreal ImageList::ScreenScale() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap ImageList::Blank(QSizeF size) {
    const qreal scale = ScreenScale();
    QPixmap pixmap(std::ceil(size.width() * scale), std::ceil(size.height() * scale));
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap ImageList::Render(const QString& resource, int size) {
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return QPixmap();
    QPixmap pixmap = Blank(QSizeF(size, size));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return pixmap;
}

ImageList ImageList::DesignPictures(int size) {
    ImageList list(size);
    const int count = size >= 64 ? 2 : int(std::size(designResources));
    for (int i = 0; i < count; ++i)
        list.Add(Render(QString::fromLatin1(designResources[i]), size));
    return list;
}

QIcon ImageList::CommandIcon(Picture picture) {
    QIcon icon;
    const QString resource = QString::fromLatin1(designResources[picture]);
    for (int size : {16, 32})
        icon.addPixmap(Render(resource, size));
    return icon;
}

int ImageList::Add(const QIcon& icon) {
    if (icon.isNull())
        return -1;
    return Add(icon.pixmap(QSize(size_, size_), ScreenScale()));
}

int ImageList::Add(const QPixmap& pixmap) {
    if (pixmap.isNull())
        return -1;
    QPixmap picture = pixmap;
    if (picture.deviceIndependentSize() != QSizeF(size_, size_)) {
        const qreal scale = ScreenScale();
        const int pixels = int(std::ceil(size_ * scale));
        picture = picture.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        picture.setDevicePixelRatio(scale);
    }
    pictures_.push_back(picture);
    return Count() - 1;
}

QPixmap ImageList::At(int index) const {
    if (index < 0 || index >= Count())
        return QPixmap();
    return pictures_[size_t(index)];
}

QIcon ImageList::IconAt(int index) const {
    const QPixmap picture = At(index);
    return picture.isNull() ? QIcon() : QIcon(picture);
}
