#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TGoToWeb;

// The about box: product, version, description, the logo, copyright and a
// link to the user manual. A double-click on the link opens the manual's
// home page in the browser.
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
    // The line under the link: where else the manual opens.
    QString HintText() const;
    TGoToWeb* GoToWeb() const { return GoToWeb1; }
    QLabel* WebLink() const { return StaticText1; }
    QPushButton* OkButton() const { return OKButton; }

    // Opens the manual's home page; says so when it cannot.
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
