#pragma once

#include "IOItem.h"

// A low-side output connector: ground and the switched pin.
class LowSide : public IOItem
{
    Q_OBJECT
public:
    explicit LowSide(QWidget* parent = nullptr);
};
