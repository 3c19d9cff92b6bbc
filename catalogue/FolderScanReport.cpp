#include "catalogue/FolderScanReport.h"

QString FolderScanReport::NotUtf8() {
    return QStringLiteral("the name is not UTF-8 text");
}

QString FolderScanReport::NameTheFileCannotHold() {
    return QStringLiteral("the name holds a double quote, \"<\" or a control character");
}

void FolderScanReport::LeftOut(const QString& path, const QString& reason) {
    leftOut_ << QStringLiteral("%1 (%2)").arg(path, reason);
}

void FolderScanReport::LinkLeftOut(const QString& path) {
    linksLeftOut_ << path;
}

void FolderScanReport::Removed(const QString& path) {
    removed_ << path;
}

void FolderScanReport::Failed(const QString& message) {
    errors_ << message;
}

QString FolderScanReport::Notes() const {
    QStringList parts;
    if (!leftOut_.isEmpty()) {
        parts << QStringLiteral("These folders were left out of the catalogue; rename them to see "
                                "them in Quorvel:\n") +
                     leftOut_.join(u'\n');
    }
    if (!linksLeftOut_.isEmpty()) {
        parts << QStringLiteral("These folders were left out of the catalogue because they are "
                                "symbolic links; Quorvel works only on folders inside the "
                                "workspace:\n") +
                     linksLeftOut_.join(u'\n');
    }
    if (!removed_.isEmpty()) {
        parts << QStringLiteral("Removed what interrupted commands left behind:\n") +
                     removed_.join(u'\n');
    }
    return parts.join(QStringLiteral("\n\n"));
}
