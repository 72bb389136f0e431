#pragma once

#include <QLabel>

// A label that can draw its text turned by 270 degrees (reading bottom to top),
// for vertical axis titles.
class VerticalLabel : public QLabel
{
    Q_OBJECT
public:
    explicit VerticalLabel(QWidget* parent = nullptr);
    explicit VerticalLabel(const QString& text, QWidget* parent = nullptr);

    void setVertical(bool vertical);
    bool isVertical() const { return vertical; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool vertical = false;
};
