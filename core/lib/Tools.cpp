#include "Tools.h"

#include "DialogAnswerer.h"
#include "MouseWheelWidgetAdjustmentGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QStandardItemModel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

#include <cmath>
#include <limits>

namespace {

const QRegularExpression& specialCharacters()
{
    static const QRegularExpression re(QStringLiteral("[\\\\/:*?\"<>|]"));
    return re;
}

const QRegularExpression& placeholder()
{
    static const QRegularExpression re(QStringLiteral("%[0-9]"));
    return re;
}

void setPaletteRole(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::All, role, QBrush(color, Qt::SolidPattern));
    widget->setPalette(palette);
}

} // namespace

// ---------------------------------------------------------------- message boxes

void Tools::showError(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("kolvo"), QStringLiteral("X"), Qt::CaseSensitive);
    qDebug() << "showError:" << text;
    QMessageBox box;
    box.setWindowTitle(QCoreApplication::translate("Tools", "Error"));
    box.setText(shown);
    DialogAnswerer::exec(&box);
}

void Tools::showInfo(const QString& text)
{
    QMessageBox box;
    box.setWindowTitle(QCoreApplication::translate("Tools", "Info"));
    box.setText(text);
    DialogAnswerer::exec(&box);
}

// ---------------------------------------------------------------- formatting

QString Tools::stringFromDouble(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("?");
    if (decimals >= 0)
        return QString::number(value, 'f', decimals);
    return QString::number(value, 'e', -decimals);
}

QString Tools::stringFromUnixTimestamp(long seconds)
{
    if (seconds == 0)
        return QStringLiteral("0");
    return QDateTime::fromSecsSinceEpoch(seconds).toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString& Tools::elide(QString& text, int maxLength)
{
    if (maxLength >= 0 && text.size() > maxLength) {
        text.truncate(maxLength);
        text.append(QChar(0x2026));
    }
    return text;
}

QString Tools::optionalArg(const QString& format, const QVariant& value)
{
    if (format.contains(placeholder()))
        return format.arg(value.toString());
    return format;
}

void Tools::replaceSpecialCharacters(QString& text)
{
    text.replace(specialCharacters(), QStringLiteral("_"));
}

QString Tools::generateUniqueName(const QList<QString>& takenNames, const QString& name)
{
    const int blank = name.lastIndexOf(QLatin1Char(' '));
    const QString tail = blank < 0 ? name : name.mid(blank + 1);
    bool ok = false;
    const int number = tail.toInt(&ok, 10);
    QString stem = name;
    // 64 bits so that a name ending in the largest int still gets a next number.
    qint64 counter = 1;
    if (ok) {
        stem = blank < 0 ? name : name.left(blank);
        counter = number;
    }
    QString candidate = name;
    while (takenNames.contains(candidate)) {
        candidate = stem + QLatin1Char(' ') + QString::number(counter);
        ++counter;
    }
    return candidate;
}

QSize Tools::parseSizeString(QString text, float heightPerWidth)
{
    const QSize invalid(-1, -1);
    const QStringList parts = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return invalid;
    const QString& w = parts.at(0);
    const QString& h = parts.at(1);
    const QString star = QStringLiteral("*");
    bool okW = false;
    bool okH = false;
    if (heightPerWidth <= 0.0f) {
        const int width = w.toInt(&okW, 10);
        const int height = h.toInt(&okH, 10);
        return okW && okH ? QSize(width, height) : invalid;
    }
    if (w == star && h == star)
        return invalid;
    if (w == star) {
        const int height = h.toInt(&okH, 10);
        if (!okH)
            return invalid;
        return QSize(static_cast<int>(static_cast<float>(height) / heightPerWidth), height);
    }
    if (h == star) {
        const int width = w.toInt(&okW, 10);
        if (!okW)
            return invalid;
        return QSize(width, static_cast<int>(static_cast<float>(width) * heightPerWidth));
    }
    const int width = w.toInt(&okW, 10);
    const int height = h.toInt(&okH, 10);
    return okW && okH ? QSize(width, height) : invalid;
}

QString Tools::keepMalformedFile(const QString& path)
{
    const QString badPath = path + QStringLiteral(".bad");
    QFile::remove(badPath);
    if (QFile::rename(path, badPath) || QFile::copy(path, badPath))
        return badPath;
    return QString();
}

QList<QString> Tools::splitCSVLine(const QString& line, const QChar& separator)
{
    QList<QString> fields;
    QString field;
    bool quoted = false;
    const int n = line.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            // A doubled quote inside a quoted field stands for one quote character.
            if (quoted && i + 1 < n && line.at(i + 1) == QLatin1Char('"')) {
                field.append(c);
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == separator && !quoted) {
            fields.append(field.trimmed());
            field.clear();
        } else {
            field.append(c);
        }
    }
    fields.append(field.trimmed());
    return fields;
}

// ---------------------------------------------------------------- scales and ranges

double Tools::humanReadableStep(float step)
{
    // A step that is not a positive number has no readable form; 0 keeps the
    // callers' loops from running forever on it.
    if (!(step > 0.0f) || std::isinf(step))
        return 0.0;
    const float ln = std::log(step);
    const float decade = static_cast<float>(std::pow(10.0, std::floor(ln / 2.302585092994046)));
    static const QList<float> candidates{1.0f, 2.0f, 2.5f, 5.0f, 10.0f};
    const double snapped = pickClosest(step / decade, candidates);
    return static_cast<double>(decade) * snapped;
}

double Tools::pickClosest(float value, const QList<float>& candidates)
{
    if (candidates.isEmpty())
        return value;
    if (candidates.size() == 1)
        return candidates.first();
    int lo = 0;
    int hi = candidates.size();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (candidates.at(mid) < value)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == candidates.size())
        return candidates.last();
    if (lo == 0)
        return candidates.first();
    const float lower = candidates.at(lo - 1);
    const float upper = candidates.at(lo);
    return (value - lower < upper - value) ? lower : upper;
}

void Tools::stretchScaleToStep(float& min, float& max, float step)
{
    // fmod by zero, a negative or a NaN step would turn both ends into NaN.
    if (!(step > 0.0f) || std::isinf(step))
        return;
    auto isMultiple = [step](float r) { return r == 0.0f || std::fabs(r - step) / step < 1e-7f; };
    const float rMin = std::fmod(min, step);
    if (!isMultiple(rMin)) {
        if (rMin > 0.0f)
            min = min - rMin;
        else
            min = min - (step + rMin);
    }
    const float rMax = std::fmod(max, step);
    if (!isMultiple(rMax)) {
        if (rMax > 0.0f)
            max = max + (step - rMax);
        else
            max = max - rMax;
    }
}

bool Tools::updateAutoRange(double& min, double& max, double value)
{
    if (!std::isfinite(value))
        return false;
    bool changed = false;
    if (max < value || std::isnan(max)) {
        max = value;
        changed = true;
    }
    if (min > value || std::isnan(min)) {
        min = value;
        changed = true;
    }
    return changed;
}

bool Tools::didValueChangedNaNSupported(double a, double b)
{
    if (a == b)
        return false;
    if (std::isnan(a) && std::isnan(b))
        return false;
    return true;
}

// ---------------------------------------------------------------- widget copies

void Tools::cloneDoubleSpinBox(QDoubleSpinBox* source, QDoubleSpinBox* copy)
{
    QObject::connect(source, &QDoubleSpinBox::valueChanged, copy, &QDoubleSpinBox::setValue);
    QObject::connect(copy, &QDoubleSpinBox::valueChanged, source, &QDoubleSpinBox::setValue);
    copy->blockSignals(true);
    copy->setRange(source->minimum(), source->maximum());
    copy->setDecimals(source->decimals());
    copy->setValue(source->value());
    copy->blockSignals(false);
    Q_EMIT copy->valueChanged(copy->value());
    Q_EMIT copy->editingFinished();
}

void Tools::cloneSpinBox(QSpinBox* source, QSpinBox* copy)
{
    QObject::connect(source, &QSpinBox::valueChanged, copy, &QSpinBox::setValue);
    QObject::connect(copy, &QSpinBox::valueChanged, source, &QSpinBox::setValue);
    copy->blockSignals(true);
    copy->setRange(source->minimum(), source->maximum());
    copy->setValue(source->value());
    copy->blockSignals(false);
    Q_EMIT copy->valueChanged(copy->value());
    Q_EMIT copy->editingFinished();
}

void Tools::cloneCheckBox(QCheckBox* source, QCheckBox* copy)
{
    QObject::connect(source, &QCheckBox::stateChanged, copy,
                     [copy](int state) { copy->setCheckState(static_cast<Qt::CheckState>(state)); });
    QObject::connect(copy, &QCheckBox::stateChanged, source,
                     [source](int state) { source->setCheckState(static_cast<Qt::CheckState>(state)); });
    copy->blockSignals(true);
    copy->setCheckState(source->checkState());
    copy->blockSignals(false);
    Q_EMIT copy->stateChanged(copy->checkState());
}

void Tools::cloneCheckBoxToButton(QCheckBox* source, QPushButton* copy)
{
    QObject::connect(source, &QCheckBox::stateChanged, copy,
                     [copy](int state) { copy->setChecked(state != Qt::Unchecked); });
    QObject::connect(copy, &QPushButton::clicked, source, &QCheckBox::setChecked);
    copy->blockSignals(true);
    copy->setChecked(source->checkState() != Qt::Unchecked);
    copy->blockSignals(false);
    Q_EMIT copy->clicked(copy->isChecked());
}

void Tools::cloneComboBox(QComboBox* source, QComboBox* copy)
{
    QObject::connect(source, &QComboBox::currentIndexChanged, copy, &QComboBox::setCurrentIndex);
    QObject::connect(copy, &QComboBox::currentIndexChanged, source, &QComboBox::setCurrentIndex);
    copy->blockSignals(true);
    const int offset = copy->count();
    for (int i = 0; i < source->count(); ++i)
        copy->addItem(source->itemText(i), source->itemData(i, Qt::UserRole));
    for (int i = 0; i < source->count(); ++i)
        setComboBoxOptionHidden(copy, offset + i, isComboBoxOptionHidden(source, i));
    copy->setCurrentIndex(source->currentIndex());
    copy->blockSignals(false);
    Q_EMIT copy->currentIndexChanged(copy->currentIndex());
    Q_EMIT copy->currentTextChanged(copy->currentText());
}

void Tools::setComboBoxOptionHidden(QComboBox* combo, int option, bool hidden)
{
    if (!combo || option < 0 || option >= combo->count())
        return;
    if (auto* view = qobject_cast<QListView*>(combo->view()))
        view->setRowHidden(option, hidden);
    // A row hidden in the popup is still reached by the arrow keys, the wheel
    // and type-ahead; those skip items that are not enabled.
    if (auto* model = qobject_cast<QStandardItemModel*>(combo->model())) {
        if (QStandardItem* item = model->item(option)) {
            const Qt::ItemFlags choosable = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            item->setFlags(hidden ? item->flags() & ~choosable : item->flags() | choosable);
        }
    }
}

bool Tools::isComboBoxOptionHidden(const QComboBox* combo, int option)
{
    if (!combo || option < 0 || option >= combo->count())
        return false;
    const auto* view = qobject_cast<const QListView*>(combo->view());
    if (view && view->isRowHidden(option))
        return true;
    const QModelIndex index = combo->model()->index(option, combo->modelColumn(), combo->rootModelIndex());
    return !(combo->model()->flags(index) & Qt::ItemIsEnabled);
}

void Tools::cloneLineEdit(QLineEdit* source, QLineEdit* copy)
{
    QObject::connect(source, &QLineEdit::textChanged, copy, &QLineEdit::setText);
    QObject::connect(copy, &QLineEdit::textChanged, source, &QLineEdit::setText);
    copy->blockSignals(true);
    copy->setText(source->text());
    copy->blockSignals(false);
    Q_EMIT copy->textChanged(copy->text());
    Q_EMIT copy->editingFinished();
}

// ---------------------------------------------------------------- palettes

void Tools::setBackgroundColorWithPalette(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    setPaletteRole(widget, QPalette::Window, color);
}

void Tools::setTextColorWithPalette(QWidget* widget, const QColor& color)
{
    setPaletteRole(widget, QPalette::WindowText, color);
}

void Tools::setButtonTextColorWithPalette(QWidget* widget, const QColor& color)
{
    setPaletteRole(widget, QPalette::ButtonText, color);
}

void Tools::setButtonBackgroundColorWithPalette(QWidget* widget, const QColor& color)
{
    setPaletteRole(widget, QPalette::Button, color);
}

void Tools::setSpinBoxColorWithPalette(QWidget* widget, const QColor& color)
{
    setPaletteRole(widget, QPalette::Base, color);
}

Qt::GlobalColor Tools::getContrastColor(const QColor& background, float threshold)
{
    const double luminance = 0.2126 * background.redF() + 0.7152 * background.greenF() + 0.0722 * background.blueF();
    return luminance < threshold ? Qt::white : Qt::black;
}

void Tools::blockMouseWheelAdjustment(QWidget* widget)
{
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(new MouseWheelWidgetAdjustmentGuard(widget));
}

// ---------------------------------------------------------------- id maps

McuFreqInput Tools::mcuFreqInputFromRollerId(RollerId id)
{
    switch (id) {
    case RollerId::Roller0: return McuFreqInput::Channel0;
    case RollerId::Roller1: return McuFreqInput::Channel1;
    case RollerId::Roller2: return McuFreqInput::Channel3;
    case RollerId::Roller3: return McuFreqInput::Channel4;
    }
    qWarning() << "mcuFreqInputFromRollerId: no frequency channel for roller" << static_cast<int>(id);
    return McuFreqInput::Channel0;
}

McuFreqInput Tools::mcuFreqInputFromDigitalFreqInput(DigitalFreqInput input)
{
    switch (input) {
    case DigitalFreqInput::Input0: return McuFreqInput::Channel0;
    case DigitalFreqInput::Input1: return McuFreqInput::Channel1;
    case DigitalFreqInput::Input2: return McuFreqInput::Channel3;
    case DigitalFreqInput::Input3: return McuFreqInput::Channel4;
    case DigitalFreqInput::Input4: return McuFreqInput::Channel5;
    }
    qWarning() << "mcuFreqInputFromDigitalFreqInput: no frequency channel for input" << static_cast<int>(input);
    return McuFreqInput::Channel0;
}

RollerId Tools::rollerIdFromMcuFreqInput(McuFreqInput input)
{
    switch (input) {
    case McuFreqInput::Channel0: return RollerId::Roller0;
    case McuFreqInput::Channel1: return RollerId::Roller1;
    case McuFreqInput::Channel3: return RollerId::Roller2;
    case McuFreqInput::Channel4: return RollerId::Roller3;
    default: break;
    }
    qWarning() << "rollerIdFromMcuFreqInput: frequency channel" << static_cast<int>(input) << "is no roller";
    return RollerId::Roller0;
}

DigitalFreqInput Tools::digitalFreqInputFromMcuFreqInput(McuFreqInput input)
{
    switch (input) {
    case McuFreqInput::Channel0: return DigitalFreqInput::Input0;
    case McuFreqInput::Channel1: return DigitalFreqInput::Input1;
    case McuFreqInput::Channel3: return DigitalFreqInput::Input2;
    case McuFreqInput::Channel4: return DigitalFreqInput::Input3;
    case McuFreqInput::Channel5: return DigitalFreqInput::Input4;
    default: break;
    }
    qWarning() << "digitalFreqInputFromMcuFreqInput: frequency channel" << static_cast<int>(input)
               << "is no digital input";
    return DigitalFreqInput::Input0;
}

// ---------------------------------------------------------------- processes

void Tools::startProcessDetached(const QString& commandLine)
{
    // Split at single blanks with no quoting and no shell, so the text an
    // operator typed can never turn into more than one program.
    QStringList parts = commandLine.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    const QString program = parts.takeFirst();
    if (program.isEmpty())
        return;
    if (!QProcess::startDetached(program, parts, QDir::currentPath()))
        qWarning().noquote() << "Could not start" << program << "with arguments" << parts;
}
