#include "ui/VersionListDelegate.h"

#include <QApplication>
#include <QListView>
#include <QStyle>

namespace {

// Space left between the entries of neighbouring cells.
constexpr int CellGap = 4;

} // namespace

VersionListDelegate::VersionListDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

int VersionListDelegate::IconEntryHeight(const QWidget* view, const QFont& font, int iconHeight) {
    // The style's own entry for one line of text, and one line more.
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = font;
    option.fontMetrics = QFontMetrics(font);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration |
                      QStyleOptionViewItem::WrapText;
    option.decorationPosition = QStyleOptionViewItem::Top;
    option.decorationSize = QSize(iconHeight, iconHeight);
    option.text = QStringLiteral("X");
    const QStyle* style = view ? view->style() : QApplication::style();
    const QSize one = style->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), view);
    return one.height() + (CaptionLines - 1) * option.fontMetrics.lineSpacing();
}

QSize VersionListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const auto* view = qobject_cast<const QListView*>(option.widget);
    if (!view || view->viewMode() != QListView::IconMode || !view->gridSize().isValid())
        return QStyledItemDelegate::sizeHint(option, index);
    // Every entry alike, so that the view may take one for all.
    const QSize cell = view->gridSize();
    const int height = IconEntryHeight(view, option.font, view->iconSize().height());
    return QSize(cell.width() - CellGap, std::min(height, cell.height()));
}
