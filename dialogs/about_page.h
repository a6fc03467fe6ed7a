#pragma once

class QWidget;

// The About page: icon, version, credits and build stamp, closed with its "Close" soft key.
void RunAboutPage(QWidget* owner);
