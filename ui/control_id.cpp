#include "ui/control_id.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kControlId = "dormoControlId";
}  // namespace

void SetControlId(QObject* control, int id) {
    control->setProperty(kControlId, id);
}

int ControlId(const QObject* control) {
    return control->property(kControlId).toInt();
}

QWidget* FindControl(const QWidget* page, int id) {
    for (QWidget* child : page->findChildren<QWidget*>())
        if (ControlId(child) == id) return child;
    return nullptr;
}
