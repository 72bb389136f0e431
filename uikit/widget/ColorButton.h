#pragma once

#include <QColor>
#include <QPushButton>

// Shows a colour as its background; a click lets the operator pick another.
class ColorButton : public QPushButton
{
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent = nullptr);

    QColor color() const { return currentColor; }
    // An invalid colour or the current one changes nothing and announces nothing.
    void setColor(const QColor& color);
    void updateColor();

public Q_SLOTS:
    void slot_showColorDialog();

Q_SIGNALS:
    void signal_colorChanged(const QColor& color);

private:
    QColor currentColor;
};
