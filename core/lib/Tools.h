#pragma once

#include "FrequencyInputIds.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSize>
#include <QString>
#include <QVariant>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

// Static helpers used all over the program. Never instantiated.
class Tools
{
public:
    Tools() = delete;

    // Modal boxes through which the program tells the operator about errors and notices.
    static void showError(const QString& text);
    static void showInfo(const QString& text);

    // Formatting and text.
    static QString stringFromDouble(double value, int decimals);
    static QString stringFromUnixTimestamp(long seconds);
    static QString& elide(QString& text, int maxLength);
    static QString optionalArg(const QString& format, const QVariant& value);
    static void replaceSpecialCharacters(QString& text);
    static QString generateUniqueName(const QList<QString>& takenNames, const QString& name);
    static QSize parseSizeString(QString text, float heightPerWidth);
    static QList<QString> splitCSVLine(const QString& line, const QChar& separator);
    // Moves (failing that, copies) a file that could not be read to "<path>.bad",
    // replacing an older one, so the next save cannot destroy the only copy.
    // Returns the path it was kept under; empty when neither worked.
    static QString keepMalformedFile(const QString& path);

    // Scales and ranges of gauges and plots.
    static double humanReadableStep(float step);
    static double pickClosest(float value, const QList<float>& candidates);
    static void stretchScaleToStep(float& min, float& max, float step);
    static bool updateAutoRange(double& min, double& max, double value);
    static bool didValueChangedNaNSupported(double a, double b);

    // Widgets kept in step with each other: the first argument is the source, the second the copy.
    static void cloneDoubleSpinBox(QDoubleSpinBox* source, QDoubleSpinBox* copy);
    static void cloneSpinBox(QSpinBox* source, QSpinBox* copy);
    static void cloneCheckBox(QCheckBox* source, QCheckBox* copy);
    static void cloneCheckBoxToButton(QCheckBox* source, QPushButton* copy);
    static void cloneComboBox(QComboBox* source, QComboBox* copy);
    // Hides an option of a combo box and makes it unselectable by keys, wheel
    // and type-ahead too; the item stays, so indices keep their meaning.
    // Code may still select a hidden option.
    static void setComboBoxOptionHidden(QComboBox* combo, int option, bool hidden);
    static bool isComboBoxOptionHidden(const QComboBox* combo, int option);
    static void cloneLineEdit(QLineEdit* source, QLineEdit* copy);

    // Palette colouring.
    static void setBackgroundColorWithPalette(QWidget* widget, const QColor& color);
    static void setTextColorWithPalette(QWidget* widget, const QColor& color);
    static void setButtonTextColorWithPalette(QWidget* widget, const QColor& color);
    static void setButtonBackgroundColorWithPalette(QWidget* widget, const QColor& color);
    static void setSpinBoxColorWithPalette(QWidget* widget, const QColor& color);
    static Qt::GlobalColor getContrastColor(const QColor& background, float threshold);

    // Keeps the mouse wheel from changing a widget that does not have focus.
    static void blockMouseWheelAdjustment(QWidget* widget);

    // Maps between rollers, digital speed inputs and the controller's frequency channels.
    static McuFreqInput mcuFreqInputFromRollerId(RollerId id);
    static McuFreqInput mcuFreqInputFromDigitalFreqInput(DigitalFreqInput input);
    static RollerId rollerIdFromMcuFreqInput(McuFreqInput input);
    static DigitalFreqInput digitalFreqInputFromMcuFreqInput(McuFreqInput input);

    // Starts an operator-defined command line without a shell and without waiting.
    static void startProcessDetached(const QString& commandLine);

    // Checksums and byte dumps.
    static uint8_t crc8(const unsigned char* data, unsigned char n);
    static uint8_t crc8_frameOptimized(const unsigned char* frame);
    static uint16_t crc16(unsigned char* data, unsigned short len);
    static QString hexStringFromByteArray(const QByteArray& bytes);
    static QString readString(QString* text, unsigned int word);
    static void printBuffer(const unsigned char* data, int len);
    static void printCTable(unsigned char* buf, int len);
};
