#pragma once

#include "EnhancedPixmap.h"

#include <QWidget>

class BrandingImagePreview;
class QCheckBox;
class QComboBox;
class QSlider;

// The SETTINGS page "Watermark": the branding image drawn faintly behind the
// analysis graphs, its opacity, size mode, scale and position, and whether the
// user graph shows it too.
class WatermarkWidget : public QWidget
{
    Q_OBJECT
public:
    explicit WatermarkWidget(QWidget* parent = nullptr);
    ~WatermarkWidget() override;

    // Binds the widgets to the settings store and loads the default image when
    // none is stored (the main window's delayed start-up stage).
    void delayedInit();
    // "branding.png" of the configuration folder, else the built-in image.
    static QString defaultImagePath();

    BrandingImagePreview* imageLabel_settings_brandingImage = nullptr;
    QSlider* horizontalSlider_branding_opacity = nullptr;
    QComboBox* comboBox_branding_sizeMode = nullptr;
    QSlider* horizontalSlider_branding_scale = nullptr;
    QSlider* horizontalSlider_branding_horizontalPosition = nullptr;
    QSlider* horizontalSlider_branding_verticalPosition = nullptr;
    QCheckBox* checkBox_branding_applyWatermarkToAllPlots = nullptr;

public Q_SLOTS:
    void slot_loadDefaultImage();

Q_SIGNALS:
    // The backgrounds of the ANALYZE tab's graphs: the main graph always gets
    // the prepared image, the user graph only while the scope box is checked
    // (else an empty one).
    void signal_mainGraphWatermarkChanged(const EnhancedPixmap& pixmap);
    void signal_userGraphWatermarkChanged(const EnhancedPixmap& pixmap);
};
