#pragma once

#include <QStyledItemDelegate>

// Draws the version list's entries. In the large-icon style every entry
// takes the width of its grid cell and room for two lines under its
// picture, so that a caption wraps at a blank before it is cut, and is cut
// only when two lines cannot hold it.
class VersionListDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int CaptionLines = 2;

    explicit VersionListDelegate(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The height of an entry with a picture of iconHeight above two lines
    // of text in font: what the grid cell must hold.
    static int IconEntryHeight(const QWidget* view, const QFont& font, int iconHeight);
};
