#pragma once

class QWidget;

// The Options page: "Save Passwords" kept with Save (or OK), dropped with Cancel; "Delete Saved
// Passwords" forgets every saved password after a Yes and leaves the page open; so does "Forget
// remembered computers" with the remembered computers.
void RunOptionsPage(QWidget* owner);
