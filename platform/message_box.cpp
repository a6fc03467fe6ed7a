#include "platform/message_box.h"

#include <QMessageBox>

namespace platform {

namespace {
const QString kCaption = QStringLiteral("Dormo");
}  // namespace

int CMessageBoxes::Show(QWidget* owner, const QString& text, const QString& caption,
                        unsigned flags) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (flags & 0xF) {
        case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return IDOK;
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        default: return (flags & 0xF) == MB_YESNO ? IDNO : IDCANCEL;
    }
}

void CMessageBoxes::ShowInformation(QWidget* owner, const QString& text) {
    Show(owner, text, kCaption, MB_OK | MB_ICONINFORMATION);
}

void CMessageBoxes::ShowWarning(QWidget* owner, const QString& text) {
    Show(owner, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
}

bool CMessageBoxes::AskYesNo(QWidget* owner, const QString& text) {
    return Show(owner, text, kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool CMessageBoxes::AskOkCancel(QWidget* owner, const QString& text, const QString& caption) {
    return Show(owner, text, caption, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

}  // namespace platform
