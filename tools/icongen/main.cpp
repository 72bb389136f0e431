// Draws the program's icons. The icons are simple drawings of our own; run this
// tool after changing it and commit the PNG files it writes:
//   icongen <resources/icons folder>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <cmath>

namespace {

const QStringList kUserIcons = {
    "alert-triangle", "anchor", "arrow-down", "arrow-left", "arrow-right", "arrow-up", "belt-drive", "brake",
    "brake-off", "brake-on", "bulb", "car", "car-battery", "chain-drive", "choke-closed", "choke-open", "circle-0",
    "circle-1", "circle-2", "circle-3", "circle-4", "clockwise", "clutch", "clutch-disengage", "clutch-engage",
    "combustion-preheat", "compressor", "coolant-pump", "cooling-air-conditioning", "counter-clockwise", "coupling",
    "cruise-control", "electric-motor", "electric-motor-symbol", "engine", "engine-preheat", "engine-start",
    "engine-stop", "exclamation", "fan", "fr-lock", "gear-drive", "gears", "height-control", "high-torque",
    "left-turning", "line-arrow-down", "line-arrow-left", "line-arrow-right", "line-arrow-up", "liquid-pump", "lock",
    "lock-tighten", "motorcycle", "parking-brake", "power", "power-off", "pump", "rabbit", "right-turning",
    "slacken-belt", "speaker", "spraying", "stop", "temperature", "temperature-decreasing", "temperature-increasing",
    "tighten-belt", "triangle-circle", "turtle", "unlock", "unlock-unclamp", "unwind", "ventilating-fan", "wind"};

const QColor kInk(40, 40, 40);
const QColor kAccent(47, 140, 198);

QImage canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void arrow(QPainter& p, int size, double angleDeg, bool withLine)
{
    p.save();
    p.translate(size / 2.0, size / 2.0);
    p.rotate(angleDeg);
    const double s = size / 64.0;
    QPainterPath path;
    path.moveTo(0, -24 * s);
    path.lineTo(18 * s, -4 * s);
    path.lineTo(7 * s, -4 * s);
    path.lineTo(7 * s, withLine ? 14 * s : 22 * s);
    path.lineTo(-7 * s, withLine ? 14 * s : 22 * s);
    path.lineTo(-7 * s, -4 * s);
    path.lineTo(-18 * s, -4 * s);
    path.closeSubpath();
    p.fillPath(path, kInk);
    if (withLine)
        p.fillRect(QRectF(-20 * s, 19 * s, 40 * s, 5 * s), kInk);
    p.restore();
}

void badge(QPainter& p, int size, const QString& text, const QColor& fill)
{
    const double m = size * 0.06;
    p.setPen(QPen(kInk, size / 24.0));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(m, m, size - 2 * m, size - 2 * m), size * 0.18, size * 0.18);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(text.size() <= 1 ? int(size * 0.6) : text.size() == 2 ? int(size * 0.42) : int(size * 0.3));
    p.setFont(font);
    p.setPen(fill.lightness() > 128 ? kInk : Qt::white);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, text);
}

QString initials(const QString& name)
{
    QString text;
    for (const QString& word : name.split(QLatin1Char('-'), Qt::SkipEmptyParts))
        text += word.at(0).toUpper();
    return text.left(3);
}

QImage userIcon(const QString& name, int size)
{
    QImage image = canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    static const QStringList directions = {"up", "right", "down", "left"};
    for (int i = 0; i < directions.size(); ++i) {
        if (name == "arrow-" + directions[i]) {
            arrow(p, size, 90.0 * i, false);
            return image;
        }
        if (name == "line-arrow-" + directions[i]) {
            arrow(p, size, 90.0 * i, true);
            return image;
        }
    }
    if (name.startsWith("circle-")) {
        p.setPen(QPen(kInk, size / 16.0));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(int(size * 0.5));
        p.setFont(font);
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, name.mid(7));
        return image;
    }
    if (name == "alert-triangle" || name == "exclamation") {
        QPainterPath path;
        path.moveTo(size / 2.0, size * 0.08);
        path.lineTo(size * 0.94, size * 0.9);
        path.lineTo(size * 0.06, size * 0.9);
        path.closeSubpath();
        p.setPen(QPen(kInk, size / 20.0));
        p.setBrush(QColor(255, 200, 0));
        p.drawPath(path);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(int(size * 0.5));
        p.setFont(font);
        p.drawText(QRectF(0, size * 0.18, size, size * 0.72), Qt::AlignCenter, QStringLiteral("!"));
        return image;
    }
    const bool warm = name.contains("stop") || name.contains("off") || name.contains("brake")
                      || name.contains("temperature") || name.contains("preheat");
    badge(p, size, initials(name), warm ? QColor(255, 200, 190) : QColor(210, 232, 250));
    return image;
}

void gear(QPainter& p, QPointF c, double r, int teeth)
{
    QPainterPath path;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a = M_PI * i / teeth;
        const double rr = (i % 2) ? r * 0.78 : r;
        const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(c, r * 0.3, r * 0.3);
    p.fillPath(path, kInk);
}

QImage fixedIcon(const QString& name, int size)
{
    QImage image = canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 32.0;
    if (name == "eye") {
        p.setPen(QPen(kInk, 2 * s));
        p.setBrush(Qt::white);
        QPainterPath path;
        path.moveTo(2 * s, 16 * s);
        path.quadTo(16 * s, 2 * s, 30 * s, 16 * s);
        path.quadTo(16 * s, 30 * s, 2 * s, 16 * s);
        p.drawPath(path);
        p.setBrush(kInk);
        p.drawEllipse(QPointF(16 * s, 16 * s), 5 * s, 5 * s);
    } else if (name == "gears") {
        gear(p, QPointF(12 * s, 13 * s), 10 * s, 8);
        gear(p, QPointF(23 * s, 23 * s), 7 * s, 6);
    } else if (name == "loss-model") {
        p.setPen(QPen(kInk, 1.5 * s));
        p.drawLine(QPointF(3 * s, 29 * s), QPointF(30 * s, 29 * s));
        p.drawLine(QPointF(3 * s, 29 * s), QPointF(3 * s, 2 * s));
        p.setPen(QPen(QColor(200, 40, 40), 2.5 * s));
        QPainterPath curve;
        curve.moveTo(3 * s, 26 * s);
        curve.cubicTo(14 * s, 25 * s, 22 * s, 18 * s, 29 * s, 4 * s);
        p.drawPath(curve);
    } else if (name == "facebook") {
        badge(p, size, QStringLiteral("f"), QColor(59, 89, 152));
    } else if (name == "ZB_32") {
        badge(p, size, QStringLiteral("ZB"), kAccent);
    } else if (name == "video") {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRoundedRect(QRectF(2 * s, 9 * s, 19 * s, 14 * s), 2 * s, 2 * s);
        QPainterPath lens;
        lens.moveTo(22 * s, 16 * s);
        lens.lineTo(30 * s, 10 * s);
        lens.lineTo(30 * s, 22 * s);
        lens.closeSubpath();
        p.drawPath(lens);
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: icongen <icons folder>");
        return 1;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("user"));
    struct Fixed {
        const char* name;
        const char* file;
        int size;
    };
    const Fixed fixed[] = {{"eye", "eye.png", 32},         {"eye", "eyeHighRes.png", 128},
                           {"gears", "gears.png", 32},     {"loss-model", "loss-model.png", 32},
                           {"facebook", "facebook.png", 32}, {"ZB_32", "ZB_32.png", 32},
                           {"video", "video.png", 32},     {"video", "videoHighRes.png", 128}};
    bool ok = true;
    for (const Fixed& f : fixed)
        ok &= fixedIcon(QString::fromLatin1(f.name), f.size).save(dir.filePath(QString::fromLatin1(f.file)));
    for (const QString& name : kUserIcons)
        ok &= userIcon(name, 64).save(dir.filePath(QStringLiteral("user/") + name + QStringLiteral(".png")));
    return ok ? 0 : 1;
}
