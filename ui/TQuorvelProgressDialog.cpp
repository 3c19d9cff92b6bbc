#include "ui/TQuorvelProgressDialog.h"

#include "catalogue/TClient.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "platform/UserInterface.h"
#include "ui/TQuorvelApplication.h"
#include "ui/UiFonts.h"
#include "workspace/TProjectManager.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

TQuorvelProgressDialog* QuorvelProgressDialog = nullptr;

namespace {

const char* const waitingText =
    "Project is rebuild from workspace. please be patient.\n"
    "Depending on the size of the directory structure this can takes several minutes.";

} // namespace

TQuorvelProgressDialog::TQuorvelProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Label1(new QLabel), Label2(new QLabel), lblProgress(new QLabel), Button2(new QPushButton),
      Timer1(new QTimer(this)), labelCatchUp_(new QTimer(this)) {
    setObjectName(QStringLiteral("QuorvelProgressDialog"));
    setFixedSize(505, 132);
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(0, 0, 505, 132);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette panelColours = panel->palette();
    // The colour of an active window's caption.
    panelColours.setColor(QPalette::Window, QColor(0x99, 0xb4, 0xd1));
    panel->setPalette(panelColours);

    const QFont font = UiFonts::TahomaPixels(13);
    Label1->setParent(panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Wider and higher than the design's 452 x 32, with the condensed face:
    // the stand-ins for Tahoma run wider, and an error may take a third line.
    QFont messageFont = font;
    messageFont.setStretch(QFont::SemiCondensed);
    Label1->setGeometry(16, 12, 473, 52);
    Label1->setFont(messageFont);
    Label1->setText(QString::fromLatin1(waitingText));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label1->setWordWrap(true);

    QPalette black = panel->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label2->setParent(panel);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(font);
    Label2->setPalette(black);
    Label2->setText(QStringLiteral("Build item: "));
    Label2->adjustSize();
    Label2->move(16, 72);

    lblProgress->setParent(panel);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblProgress->setFont(font);
    lblProgress->setPalette(black);
    lblProgress->setGeometry(93, 72, 390, Label2->height());

    Button2->setParent(panel);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setText(QStringLiteral("Abort"));
    Button2->setGeometry(327, 88, 75, 25);
    Button2->setToolTip(QStringLiteral(
        "Closes this window. The scan of the folders cannot be stopped halfway without losing "
        "part of the catalogue, so it goes on to its end."));
    Button2->hide();
    connect(Button2, &QPushButton::clicked, this, &TQuorvelProgressDialog::Button2Click);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TQuorvelProgressDialog::Timer1Timer);

    labelCatchUp_->setSingleShot(true);
    connect(labelCatchUp_, &QTimer::timeout, this, [this] { ShowProgressText(true); });
}

void TQuorvelProgressDialog::Start(TProjectManager* AProjectManger) {
    // A second rebuild would throw away the catalogue the running one fills.
    if (!AProjectManger || AProjectManger->Busy() || rebuilding_)
        return;
    fProjectManager = AProjectManger;
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    Timer1->start();
    exec();
}

void TQuorvelProgressDialog::Timer1Timer() {
    Timer1->stop();
    rebuilding_ = true;
    // An error outside the scan (saving the catalogue) is shown, and the
    // dialog closes all the same rather than being left on screen.
    TQuorvelApplication::Guarded([this] {
        if (fProjectManager)
            fProjectManager->Refresh();
    });
    ShowProgressText(true);
    rebuilding_ = false;
    accept();
}

void TQuorvelProgressDialog::ItemAdded(TProjectManager* Obs, TVersionItem* arg) {
    if (Obs && Obs->LastAction() == ChangeKind::ItemdEdited) {
        if (dynamic_cast<TClient*>(arg)) {
            ClientName = arg->Name();
            progressText_ = ClientName;
        } else if (dynamic_cast<TProject*>(arg)) {
            ProjectName = arg->Name();
            progressText_ = ClientName + u'-' + ProjectName;
        } else if (dynamic_cast<TVersion*>(arg)) {
            VersionName = arg->Name();
            progressText_ = ClientName + u'-' + ProjectName + u'-' + VersionName;
        }
        ShowProgressText(false);
    }
    User().ProcessPendingEvents();
}

void TQuorvelProgressDialog::ShowProgressText(bool now) {
    // The label is laid out anew at every change; no eye follows more than
    // one change per frame, so a large rebuild updates it at most that often.
    // A skipped change is shown once its frame is over, so the label does
    // not stay on an older item when no further one is named soon.
    constexpr qint64 frame = 16;
    if (!now && labelShown_.isValid() && labelShown_.elapsed() < frame) {
        if (!labelCatchUp_->isActive())
            labelCatchUp_->start(int(frame - labelShown_.elapsed()));
        return;
    }
    labelCatchUp_->stop();
    lblProgress->setText(progressText_);
    labelShown_.restart();
}

void TQuorvelProgressDialog::DoError(const QString& Msg) {
    Label1->setText(Msg);
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(red);
    Button2->show();
}

void TQuorvelProgressDialog::SetActive(bool Value) {
    if (Value) {
        setModal(false);
        show();
    } else {
        hide();
    }
}

// The scan cannot be stopped without discarding part of the catalogue it
// is filling: the button only closes the window; the rebuild runs to its
// end behind it, with the main window's commands disabled meanwhile.
void TQuorvelProgressDialog::Button2Click() {
    if (rebuilding_)
        hide();
    else
        reject();
}

QString TQuorvelProgressDialog::MessageText() const {
    return Label1->text();
}

QString TQuorvelProgressDialog::ProgressText() const {
    return progressText_;
}

bool TQuorvelProgressDialog::MessageIsRed() const {
    return Label1->palette().color(QPalette::WindowText) == QColor(Qt::red);
}
