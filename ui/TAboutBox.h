#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TGoToWeb;

// The about box: product, version, description, the maker's logo,
// copyright, web site and mail address. A double-click on the web address
// opens it in the browser.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void SetProduct(const QString& text);
    void SetVersion(const QString& text);
    void SetDescription(const QString& text);

    QString Product() const;
    QString Version() const;
    QString Description() const;
    QString CopyrightText() const;
    QString WebText() const;
    QString MailText() const;
    TGoToWeb* GoToWeb() const { return GoToWeb1; }
    QLabel* WebLink() const { return StaticText1; }
    QPushButton* OkButton() const { return OKButton; }

    // Opens the maker's site; the result is of no concern here.
    void StaticText1DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* JvSpecialImage1;
    QLabel* lblProduct;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* Copyright;
    QLabel* StaticText1;
    QLabel* Label1;
    QPushButton* OKButton;
    TGoToWeb* GoToWeb1;
};
