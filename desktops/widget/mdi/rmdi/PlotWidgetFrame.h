#pragma once

class AbstractMdiWidget;
class QCustomPlot;
class QFrame;

// The frame every live plot sits in: a grey box in a margin-free layout, the
// plot inside it, watched by the widget so that a press on the plot still
// moves and resizes the widget on its desktop.
QCustomPlot* buildPlotFrame(AbstractMdiWidget* widget, QFrame** frameOut = nullptr);
