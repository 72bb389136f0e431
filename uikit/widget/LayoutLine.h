#pragma once

#include <QFrame>

// A horizontal separator line in forms.
class LayoutLine : public QFrame
{
    Q_OBJECT
public:
    explicit LayoutLine(QWidget* parent = nullptr);
};
