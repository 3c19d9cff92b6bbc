#include "ui/TAboutBox.h"

#include "ui/ImageList.h"
#include "ui/TGoToWeb.h"
#include "ui/UiFonts.h"
#include "ui/UserManual.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace {

const char* const copyrightNotice = "Copyright \u00a9 2026 the Quorvel authors";
const char* const manualLinkText = "Quorvel user manual";
const char* const makerLogo = ":/icons/quorvel.svg";

// A stand-in logo the size of the maker's bitmap.
QPixmap LogoPicture() {
    QPixmap logo = ImageList::Blank(QSizeF(136, 71));
    logo.fill(QColor(0xf4, 0xf6, 0xfa));
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(4, 4, ImageList::Render(QString::fromLatin1(makerLogo), 63));
    painter.setPen(QColor(0x1d, 0x4a, 0x94));
    QFont font = UiFonts::MsSansSerifPixels(13);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(70, 0, 66, 71), Qt::AlignCenter, QStringLiteral("Velmora"));
    return logo;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      JvSpecialImage1(new QLabel(this)), lblProduct(new QLabel(this)), lblVersion(new QLabel(this)),
      lblDescription(new QLabel(this)), Copyright(new QLabel(this)), StaticText1(new QLabel(this)),
      Label1(new QLabel(this)), OKButton(new QPushButton(QStringLiteral("OK"), this)),
      GoToWeb1(new TGoToWeb(this)) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFont(UiFonts::MsSansSerifPixels(11));
    setFixedSize(369, 248);

    auto* Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 353, 201);
    Bevel1->lower();

    JvSpecialImage1->setObjectName(QStringLiteral("JvSpecialImage1"));
    JvSpecialImage1->setGeometry(24, 16, 137, 73);
    JvSpecialImage1->setPixmap(LogoPicture());

    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    for (QLabel* label : {lblProduct, lblVersion, lblDescription, Copyright, Label1})
        label->setPalette(black);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    lblProduct->move(168, 24);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->move(168, 40);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setGeometry(96, 96, 177, 25);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Copyright->setObjectName(QStringLiteral("Copyright"));
    Copyright->setText(QString::fromUtf8(copyrightNotice) +
                       QStringLiteral("\nAll rights reserved.\nFor help and more information, "
                                      "read the"));
    Copyright->adjustSize();
    Copyright->move(24, 120);

    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    // The manual's home page stands where the maker's web site stood.
    const QUrl manual = UserManual::PageUrl(QString::fromLatin1(UserManual::HomePage));
    StaticText1->setText(QString::fromLatin1(manualLinkText));
    StaticText1->setToolTip(
        QStringLiteral("Double-click to open %1")
            .arg(manual.isEmpty() ? QStringLiteral("the manual") : manual.toLocalFile()));
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    StaticText1->setPalette(blue);
    StaticText1->setCursor(Qt::PointingHandCursor);
    // The design's 115 pixels, or as wide as this font needs.
    StaticText1->adjustSize();
    StaticText1->setGeometry(24, 160, qMax(115, StaticText1->width()), 17);
    StaticText1->installEventFilter(this);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("In the main window it opens with F1 or the ? button."));
    Label1->adjustSize();
    Label1->move(24, 176);

    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(8, 220, 353, 25);
    OKButton->setDefault(true);
    OKButton->setFocus(Qt::OtherFocusReason);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    GoToWeb1->setObjectName(QStringLiteral("GoToWeb1"));
    GoToWeb1->SetUrl(manual.toString());
    GoToWeb1->SetBrowserState(TGoToWeb::gwMaximized);
}

void TAboutBox::SetProduct(const QString& text) {
    lblProduct->setText(text);
    lblProduct->adjustSize();
}

void TAboutBox::SetVersion(const QString& text) {
    lblVersion->setText(text);
    lblVersion->adjustSize();
}

void TAboutBox::SetDescription(const QString& text) {
    lblDescription->setText(text);
}

QString TAboutBox::Product() const {
    return lblProduct->text();
}

QString TAboutBox::Version() const {
    return lblVersion->text();
}

QString TAboutBox::Description() const {
    return lblDescription->text();
}

QString TAboutBox::CopyrightText() const {
    return Copyright->text();
}

QString TAboutBox::WebText() const {
    return StaticText1->text();
}

QString TAboutBox::HintText() const {
    return Label1->text();
}

void TAboutBox::StaticText1DblClick() {
    // The browser registered for web pages first; else the desktop's way,
    // which says what is missing when it cannot.
    if (GoToWeb1->Url().isEmpty() || !GoToWeb1->Execute())
        UserManual::Show(QString::fromLatin1(UserManual::HomePage));
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StaticText1 && event->type() == QEvent::MouseButtonDblClick) {
        StaticText1DblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent* event) {
    // Centred on the screen, not on the window that opened it.
    if (QScreen* shown = screen())
        move(shown->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // Escape does not close the box; Enter presses OK.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
