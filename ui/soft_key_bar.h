#pragma once

#include <QWidget>

#include <vector>

class QMenu;
class QToolButton;

// The soft-key bar at the bottom of a screen, built from a menu-bar record: one button per
// record button, left to right, each in its half of the bar; a button with a popup opens that
// drop-down menu of the record's menu resource. Choosing a button or a menu item emits Command
// with its command id. The bar keeps itself along its parent's bottom edge.
class CSoftKeyBar : public QWidget {
    Q_OBJECT
public:
    // The bar of record recordId along parent's bottom edge, or nullptr when the resources hold
    // no such record or it cannot be read. A popup whose menu resource is missing leaves its
    // button without a menu; the button still sends its command.
    static CSoftKeyBar* Create(int recordId, QWidget* parent);

    // The bar's height: 26 logical pixels.
    static int Height();

    int ButtonCount() const { return int(m_buttons.size()); }
    QToolButton* Button(int index) const { return m_buttons[size_t(index)]; }
    // The drop-down menu of button index, or nullptr.
    QMenu* Menu(int index) const;

signals:
    void Command(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    explicit CSoftKeyBar(QWidget* parent);
    void FollowParent();

    std::vector<QToolButton*> m_buttons;
};
