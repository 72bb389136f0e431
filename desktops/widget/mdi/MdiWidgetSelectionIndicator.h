#pragma once

#include <QWidget>

// The translucent violet cover of a selected desktop widget. It lies above the
// widget type's children and lets every mouse event through.
class MdiWidgetSelectionIndicator : public QWidget
{
    Q_OBJECT
public:
    MdiWidgetSelectionIndicator(QWidget* parent, const bool* selected);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const bool* selected;
};
