#include "WatermarkWidget.h"

#include "AnalysisHooks.h"
#include "BrandingImagePreview.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QPointer>
#include <QSlider>

namespace {

QSlider* slider(QWidget* parent, const QString& name, int minimum, int maximum, int value)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setRange(minimum, maximum);
    s->setValue(value);
    return s;
}

} // namespace

WatermarkWidget::WatermarkWidget(QWidget* parent)
    : QWidget(parent)
{
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);

    imageLabel_settings_brandingImage = new BrandingImagePreview(this);
    imageLabel_settings_brandingImage->setObjectName(QStringLiteral("imageLabel_settings_brandingImage"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    policy.setVerticalStretch(1);
    imageLabel_settings_brandingImage->setSizePolicy(policy);
    imageLabel_settings_brandingImage->setMinimumSize(300, 300);
    form->addRow(imageLabel_settings_brandingImage);

    horizontalSlider_branding_opacity =
        slider(this, QStringLiteral("horizontalSlider_branding_opacity"), 0, 255, 255);
    form->addRow(tr("Opacity [%]"), horizontalSlider_branding_opacity);
    comboBox_branding_sizeMode = new QComboBox(this);
    comboBox_branding_sizeMode->setObjectName(QStringLiteral("comboBox_branding_sizeMode"));
    // The index is the aspect-ratio mode of the prepared image.
    comboBox_branding_sizeMode->addItems(
        {tr("Stretch without aspect ratio"), tr("Fill, keep visible"), tr("Fill, overflow")});
    comboBox_branding_sizeMode->setCurrentIndex(Qt::KeepAspectRatio);
    form->addRow(tr("Size mode"), comboBox_branding_sizeMode);
    horizontalSlider_branding_scale = slider(this, QStringLiteral("horizontalSlider_branding_scale"), 0, 100, 100);
    form->addRow(tr("Scale [%]"), horizontalSlider_branding_scale);
    horizontalSlider_branding_horizontalPosition =
        slider(this, QStringLiteral("horizontalSlider_branding_horizontalPosition"), 0, 100, 50);
    form->addRow(tr("Horizontal position"), horizontalSlider_branding_horizontalPosition);
    horizontalSlider_branding_verticalPosition =
        slider(this, QStringLiteral("horizontalSlider_branding_verticalPosition"), 0, 100, 50);
    form->addRow(tr("Vertical position"), horizontalSlider_branding_verticalPosition);
    checkBox_branding_applyWatermarkToAllPlots = new QCheckBox(this);
    checkBox_branding_applyWatermarkToAllPlots->setObjectName(QStringLiteral("checkBox_branding_applyWatermarkToAllPlots"));
    form->addRow(tr("Apply watermark to 'user graph' too"), checkBox_branding_applyWatermarkToAllPlots);

    BrandingImagePreview* preview = imageLabel_settings_brandingImage;
    connect(horizontalSlider_branding_opacity, &QSlider::valueChanged, preview, &BrandingImagePreview::slot_setOpacity);
    connect(comboBox_branding_sizeMode, &QComboBox::currentIndexChanged, preview,
            &BrandingImagePreview::slot_setScaleMode);
    connect(horizontalSlider_branding_scale, &QSlider::valueChanged, preview, &BrandingImagePreview::slot_setScale);
    connect(horizontalSlider_branding_horizontalPosition, &QSlider::valueChanged, preview,
            &BrandingImagePreview::slot_setHorizontalPosition);
    connect(horizontalSlider_branding_verticalPosition, &QSlider::valueChanged, preview,
            &BrandingImagePreview::slot_setVerticalPosition);
    connect(checkBox_branding_applyWatermarkToAllPlots, &QCheckBox::stateChanged, preview,
            &BrandingImagePreview::slot_brandingScopeChanged);
    connect(preview, &BrandingImagePreview::signal_requestDefaultImage, this, &WatermarkWidget::slot_loadDefaultImage);
    connect(preview, &BrandingImagePreview::signal_pixmapChanged, this, [this](const EnhancedPixmap& pixmap) {
        Q_EMIT signal_mainGraphWatermarkChanged(pixmap);
        Q_EMIT signal_userGraphWatermarkChanged(checkBox_branding_applyWatermarkToAllPlots->isChecked()
                                                    ? pixmap
                                                    : EnhancedPixmap());
    });

    // The analysis graphs live below this layer: they reach the watermark
    // through the analysis hooks, for as long as this page exists.
    AnalysisHooks& hooks = AnalysisHooks::instance();
    const QPointer<WatermarkWidget> page(this);
    hooks.brandingPixmap = [page]() {
        return page ? page->imageLabel_settings_brandingImage->preparedPixmap() : EnhancedPixmap();
    };
    hooks.watermarkAllPlots = [page]() { return page && page->checkBox_branding_applyWatermarkToAllPlots->isChecked(); };
    hooks.brandingChanged = [page](QObject* receiver, std::function<void(const EnhancedPixmap&)> changed) {
        if (page)
            connect(page.data(), &WatermarkWidget::signal_mainGraphWatermarkChanged, receiver, std::move(changed));
    };
}

WatermarkWidget::~WatermarkWidget()
{
    AnalysisHooks& hooks = AnalysisHooks::instance();
    hooks.brandingPixmap = nullptr;
    hooks.watermarkAllPlots = nullptr;
    hooks.brandingChanged = nullptr;
}

QString WatermarkWidget::defaultImagePath()
{
    const QString user = theSettings.settingsDir.filePath(QStringLiteral("branding.png"));
    return QFile::exists(user) ? user : QStringLiteral(":/resources/branding/kolvo_dyno.png");
}

void WatermarkWidget::slot_loadDefaultImage()
{
    if (!imageLabel_settings_brandingImage->imagePath().isEmpty())
        return;
    imageLabel_settings_brandingImage->setImage(defaultImagePath());
}

void WatermarkWidget::delayedInit()
{
    theSettings.connectImageLabel(imageLabel_settings_brandingImage);
    theSettings.connectSlider(horizontalSlider_branding_opacity);
    theSettings.connectComboBox(comboBox_branding_sizeMode);
    theSettings.connectSlider(horizontalSlider_branding_scale);
    theSettings.connectSlider(horizontalSlider_branding_horizontalPosition);
    theSettings.connectSlider(horizontalSlider_branding_verticalPosition);
    theSettings.connectCheckBox(checkBox_branding_applyWatermarkToAllPlots);
    slot_loadDefaultImage();
}
