#pragma once

#include <QPointer>
#include <QToolButton>

class QAction;

// A ribbon entry that runs a command: a large one shows its caption under
// its picture, broken at the last blank; a small one beside a small
// picture, if any. The caption underlines the letter of the entry's key
// tip, whatever letter the command's own caption marks.
class RibbonButton : public QToolButton {
    Q_OBJECT

public:
    RibbonButton(QAction* action, bool large, QWidget* parent = nullptr);

    // The command's caption, its access key marked with "&".
    QString Caption() const;
    // The key tip's letter, underlined in the caption; empty for none.
    void SetAccessKey(const QString& letter);
    QString AccessKey() const { return accessKey_; }

    // The letter after the single "&" of caption, in upper case; empty
    // text for none.
    static QString AccessKeyOf(const QString& caption);
    // caption with its "&" before letter instead: at the start of a word
    // where one starts with it, else at its first place; no "&" at all
    // when caption lacks the letter. A large caption breaks at its last
    // blank.
    static QString WithAccessKey(const QString& caption, const QString& letter, bool large = false);

protected:
    void actionEvent(QActionEvent* event) override;

private:
    void ShowCaption();

    // The command: a menu given to the button later takes it away as the
    // button's default action, not as its caption.
    QPointer<QAction> action_;
    bool large_;
    QString accessKey_;
};
