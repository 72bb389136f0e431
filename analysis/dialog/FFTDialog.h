#pragma once

#include <QDialog>

class VectorChannel;

// The amplitude spectrum of one recorded channel over the run's selection.
// Runs modally inside its constructor.
class FFTDialog : public QDialog
{
    Q_OBJECT
public:
    FFTDialog(const QString& title, const VectorChannel* channel, int first, int last, double samplingFrequency,
              QWidget* parent);
};
