#pragma once

#include "EnhancedPixmap.h"

#include <QList>
#include <QString>

#include <functional>

class QObject;
class QWidget;
class RunData;

// What the run analysis reaches in the layers above it (mail, calibration
// tools, knock player, the RUN tab), filled by those layers at start-up. An
// entry left empty means the tool is not there: its menu entry is disabled
// and nothing happens.
struct AnalysisHooks {
    // Mail: whether a mail system is set up, and sending a run file.
    std::function<bool()> mailConfigured;
    std::function<void(const QString& recipient, const QString& path, const QString& comment)> sendRunFile;

    // The inertia calibration window: opens it for a first run (non-modal,
    // shown by the tool) and adds or withdraws runs while it is open. The
    // window announces its end by being destroyed.
    std::function<QWidget*(RunData* first, QWidget* parent)> openInertiaCalibration;
    std::function<void(QWidget* tool, RunData* run)> addToInertiaCalibration;
    std::function<void(QWidget* tool, RunData* run)> removeFromInertiaCalibration;

    // The knock player for a run with recorded audio (modal).
    std::function<void(RunData* run, QWidget* parent)> knockPlayer;

    // The RUN tab's loss-model indicator, after a run's loss model became the live one.
    std::function<void()> lossModelIndicatorUpdate;

    // Branding: the picture behind the main graph, whether the user graphs
    // show it too, and a subscription to picture changes that lasts as long
    // as the receiver.
    std::function<EnhancedPixmap()> brandingPixmap;
    std::function<bool()> watermarkAllPlots;
    std::function<void(QObject* receiver, std::function<void(const EnhancedPixmap&)> changed)> brandingChanged;

    static AnalysisHooks& instance();
};
