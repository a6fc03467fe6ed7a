#pragma once

class QObject;
class QWidget;

// Every control built from a template or created by a page carries its numeric control id, so
// pages and tests find it the way the original dialogs did.
void SetControlId(QObject* control, int id);
int ControlId(const QObject* control);  // 0 when it has none
QWidget* FindControl(const QWidget* page, int id);
