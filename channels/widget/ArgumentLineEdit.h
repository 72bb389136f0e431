#pragma once

#include <QLineEdit>

// The value field of the argument editor: a double click opens the picker
// instead of selecting a word.
class ArgumentLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit ArgumentLineEdit(QWidget* parent = nullptr);

Q_SIGNALS:
    void signal_mouseDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
