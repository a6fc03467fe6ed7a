#pragma once

class QWidget;

// The Options page: "Save Passwords" kept with Save (or OK), dropped with Cancel; "Delete Saved
// Passwords" forgets every saved password after a Yes and leaves the page open.
void RunOptionsPage(QWidget* owner);
