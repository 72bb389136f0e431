#pragma once

#include <QWidget>

// STAND-IN until the output buttons are built: the status bar's output strip.
class OutputStatusWidget : public QWidget
{
    Q_OBJECT
public:
    explicit OutputStatusWidget(QWidget* parent = nullptr);
    void init();
};
