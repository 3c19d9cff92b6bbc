#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <vector>

// Pictures of one size, reached by index, like the image lists the menus,
// the ribbon and the version list draw from.
class ImageList {
public:
    // The design pictures, by index.
    enum Picture {
        CheckedInVersion = 0,
        CheckedOutVersion = 1,
        Exit = 2,
        SelectWorkspace = 3,
        RebuildWorkspace = 4,
        About = 5,
        CheckedOutList = 6,
        CompareWithParent = 7,
        CompareWithOther = 8,
        History = 9,
        SendArchive = 10,
    };

    explicit ImageList(int size);

    // The list of design pictures for size: the two version pictures, and
    // below 64 pixels also the commands' pictures (Exit to Send as Archive).
    static ImageList DesignPictures(int size);
    // A command's picture for the menus (16) and the large ribbon buttons
    // (32).
    static QIcon CommandIcon(Picture picture);
    // The picture of a resource file, drawn at size by size, in as many
    // pixels as the screen shows for them.
    static QPixmap Render(const QString& resource, int size);
    // A transparent picture of that size for the screen's pixels.
    static QPixmap Blank(QSizeF size);
    // Pixels of the screen per pixel of the design.
    static qreal ScreenScale();

    int Size() const { return size_; }
    int Count() const { return int(pictures_.size()); }
    // Appends the icon scaled to the list's size, in the screen's pixels;
    // -1, and nothing added, for an empty icon.
    int Add(const QIcon& icon);
    int Add(const QPixmap& pixmap);
    // The picture at index, or an empty one for an index out of range.
    QPixmap At(int index) const;
    QIcon IconAt(int index) const;

private:
    int size_;
    std::vector<QPixmap> pictures_;
};
