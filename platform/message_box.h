#pragma once

#include <QString>

class QWidget;

namespace platform {

// Button and icon flags, and answers, of a message box.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Shows modal message boxes. The program holds one instance; tests put a recording one in its
// place that answers without showing anything.
class CMessageBoxes {
public:
    virtual ~CMessageBoxes() = default;
    // Shows text with caption, the buttons and icon of flags, owned by owner; returns the answer.
    // The kinds of box below all come here, so a recording instance sees every box.
    virtual int Show(QWidget* owner, const QString& text, const QString& caption, unsigned flags);

    // The program's kinds of box, all under the caption "Dormo" but the last.
    // A notice: OK, information icon.
    void ShowInformation(QWidget* owner, const QString& text);
    // A failure, or an outcome the user should not miss: OK, exclamation icon.
    void ShowWarning(QWidget* owner, const QString& text);
    // A question: Yes and No, question icon; true on Yes.
    bool AskYesNo(QWidget* owner, const QString& text);
    // An offer under a caption of its own: OK and Cancel, information icon; true on OK.
    bool AskOkCancel(QWidget* owner, const QString& text, const QString& caption);
};

}  // namespace platform
