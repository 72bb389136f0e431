#pragma once

// A page with one widget of every kind of the toolkit, each in a labelled row,
// filled with typical values: looked at under a real X server, and checked for
// clipped or overlapping rows by tst_gallery_layout.

#include <QList>
#include <QWidget>

class QFormLayout;

class WidgetGallery : public QWidget
{
    Q_OBJECT
public:
    explicit WidgetGallery(QWidget* parent = nullptr);

    // The widget of every row, in row order.
    QList<QWidget*> rowWidgets;

private:
    void addRow(QFormLayout* form, const QString& label, QWidget* widget);
};
