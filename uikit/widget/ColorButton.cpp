#include "ColorButton.h"

#include "DialogAnswerer.h"

#include <QColorDialog>

ColorButton::ColorButton(QWidget* parent)
    : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &ColorButton::slot_showColorDialog);
    setAutoDefault(false);
}

void ColorButton::setColor(const QColor& color)
{
    if (!color.isValid() || color == currentColor)
        return;
    currentColor = color;
    updateColor();
    Q_EMIT signal_colorChanged(currentColor);
}

void ColorButton::updateColor()
{
    setStyleSheet(QStringLiteral("border: none; background-color: ") + currentColor.name(QColor::HexRgb));
}

void ColorButton::slot_showColorDialog()
{
    QColorDialog dialog(currentColor, nullptr);
    dialog.setWindowTitle(QString());
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
        setColor(dialog.currentColor());
}
