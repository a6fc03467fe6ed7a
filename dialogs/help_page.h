#pragma once

class QWidget;

// The Help page: the help text below the header, closed with its "Close" soft key.
void RunHelpPage(QWidget* owner);
