#pragma once

#include "connection/command_screen.h"
#include "connection/connection_screens.h"
#include "connection/protocol.h"
#include "ui/page.h"

#include <optional>

class CHeaderLabel;
class QLineEdit;

// Asks for the password of the computer at g_app.m_selectedComputer and hands its hash to
// ConnectAndAuthorise. With saving on and a hash saved under the computer's name, that hash is
// tried during the set-up, before the page is ever shown. Login and Cancel soft keys; Enter in
// the edit is Login, Escape and closing the page are Cancel. Cancel during a login gives it up.
// The typed text is wiped from the edit once it is hashed.
class CPasswordDialog : public CPage, public CPasswordPage {
    Q_OBJECT
public:
    explicit CPasswordDialog(const CConnectionLimits& limits = {}, QWidget* owner = nullptr);

    void OnCommand(int id) override;
    void reject() override;

    // Shows "********" in the empty edit for a saved hash: while the edit stays empty, Login
    // tries that hash again; a typed password takes its place.
    void ShowSavedPassword(const QString& hash);

    QWidget* Widget() override { return this; }
    void ClearEdit() override;
    void End() override { done(0); }

protected:
    void OnInitDialog() override;
    void OnSize(const QRect& client) override;

private:
    QLineEdit* Edit() const;
    void Login();

    CConnectionLimits m_limits;
    std::optional<QString> m_savedHash;
    CModalCommandScreen m_commandScreen;
    CHeaderLabel* m_header = nullptr;
    CHeaderLabel* m_caption = nullptr;
};

// Runs the password dialog modally, owned by owner (the main window).
void RunPasswordDialog(QWidget* owner, const CConnectionLimits& limits = {});
