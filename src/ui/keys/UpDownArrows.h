#pragma once

#include <QWidget>

class QToolButton;

namespace vantor::keys {

// A pair of arrow buttons beside a text box. The box's text is what counts; the arrows only say
// which way the user clicked, and keep a value and an upper bound as the form sets them.
class UpDownArrows : public QWidget {
    Q_OBJECT
public:
    UpDownArrows(QWidget* parent, const char* name);

    // The arrows are no Tab stops: in `box`, the Up and Down keys do what they do.
    void attachTo(QWidget* box);

    QToolButton* up() const { return m_up; }
    QToolButton* down() const { return m_down; }

    int value() const { return m_value; }
    void setValue(int value) { m_value = value; }
    int maximum() const { return m_maximum; }
    void setMaximum(int maximum) { m_maximum = maximum; }

signals:
    void upClicked();
    void downClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    int m_value = 0;
    int m_maximum = 0;
    QWidget* m_box = nullptr;
};

}  // namespace vantor::keys
