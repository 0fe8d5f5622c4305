// twsres_draw <TWSRES.rc> <image folder> <contact sheet.png> [<Windows script.rc>]
// Paints every BITMAP and ICON the resource script names into the image
// folder, and all of them, four times enlarged on a checkerboard (fuchsia
// taken out of the bitmaps), into the contact sheet. A name it cannot paint
// stops the build.
//
// Given a fourth argument, it also writes each image in the form a Windows
// resource compiler takes (a bitmap as a 24-bit .bmp on its fuchsia, an
// icon as an .ico with its alpha channel) and, under that name, the same
// script naming those files.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <vector>
#include <map>

namespace {

const QColor kFuchsia(255, 0, 255);
const QColor kOutline(40, 40, 40);
const QColor kFolder(240, 196, 64);
const QColor kFolderDark(190, 140, 30);
const QColor kBlue(40, 100, 200);
const QColor kGreen(30, 150, 50);
const QColor kRed(200, 30, 30);

using Painter = std::function<void(QPainter&)>;

void Pen(QPainter& p, const QColor& c, qreal w = 1) { p.setPen(QPen(c, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)); }

void Drive(QPainter& p, int y = 5)
{
    Pen(p, kOutline);
    p.setBrush(QColor(190, 190, 190));
    p.drawRect(1, y, 13, 6);
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(1, y + 5, 13, 1);
    p.fillRect(11, y + 2, 2, 2, QColor(40, 210, 40));
}

void Folder(QPainter& p, bool open)
{
    Pen(p, kFolderDark);
    p.setBrush(kFolder);
    p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(6, 3), QPoint(7, 5), QPoint(14, 5), QPoint(14, 13), QPoint(1, 13)}));
    if (open) {
        p.setBrush(QColor(255, 226, 120));
        p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
    }
}

void Page(QPainter& p, const QColor& lines)
{
    Pen(p, kOutline);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    for (int y = 6; y <= 12; y += 2)
        p.fillRect(5, y, 6, 1, lines);
}

void Magnifier(QPainter& p, int x, int y)
{
    Pen(p, kOutline);
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(x, y, 5, 5);
    Pen(p, QColor(90, 60, 20), 2);
    p.drawLine(x + 5, y + 5, x + 7, y + 7);
}

void CheckBox(QPainter& p, int x, int y, int size, int state)  // 0 empty, 1 checked, 2 partly
{
    Pen(p, kOutline);
    p.setBrush(Qt::white);
    p.drawRect(x, y, size, size);
    if (state == 1) {
        Pen(p, QColor(0, 0, 0), 2);
        p.drawPolyline(QPolygon({QPoint(x + 3, y + size / 2), QPoint(x + size / 2 - 1, y + size - 3),
                                 QPoint(x + size - 3, y + 3)}));
    } else if (state == 2) {
        p.fillRect(x + 3, y + 3, size - 5, size - 5, QColor(128, 128, 128));
    }
}

void Arrow(QPainter& p, const QColor& c)
{
    Pen(p, c.darker(150));
    p.setBrush(c);
    p.drawPolygon(QPolygon({QPoint(1, 8), QPoint(7, 2), QPoint(7, 5), QPoint(14, 5), QPoint(14, 11), QPoint(7, 11),
                            QPoint(7, 14)}));
}

void Check(QPainter& p, const QColor& c)
{
    Pen(p, c, 3);
    p.drawPolyline(QPolygon({QPoint(2, 8), QPoint(6, 12), QPoint(13, 3)}));
}

void Cross(QPainter& p, const QColor& c)
{
    Pen(p, c, 3);
    p.drawLine(3, 3, 12, 12);
    p.drawLine(12, 3, 3, 12);
}

void Bar(QPainter& p, const QColor& c, bool vertical)
{
    Pen(p, c.darker(150));
    p.setBrush(c);
    p.drawRect(2, 6, 11, 3);
    if (vertical)
        p.drawRect(6, 2, 3, 11);
    p.fillRect(3, 7, 10, 2, c);
}

void Trash(QPainter& p)
{
    Pen(p, kOutline);
    p.setBrush(QColor(170, 180, 190));
    p.drawPolygon(QPolygon({QPoint(3, 4), QPoint(12, 4), QPoint(11, 14), QPoint(4, 14)}));
    p.drawRect(2, 2, 11, 2);
    p.drawRect(6, 0, 3, 2);
    for (int x = 5; x <= 9; x += 2)
        p.drawLine(x, 6, x, 12);
}

const std::map<QString, Painter>& Bitmaps()
{
    static const std::map<QString, Painter> painters = {
        {"NT_VOLUME", [](QPainter& p) { Drive(p); }},
        {"NT_FOLDER", [](QPainter& p) { Folder(p, false); }},
        {"NT_FOLDER_SELECTED", [](QPainter& p) { Folder(p, true); }},
        {"NT_ITEM", [](QPainter& p) { Page(p, QColor(150, 150, 150)); }},
        {"NT_ITEM_SELECTED", [](QPainter& p) { Page(p, kBlue); }},
        {"NS_NULL", [](QPainter&) {}},
        {"NS_UNCHECKED", [](QPainter& p) { CheckBox(p, 2, 2, 11, 0); }},
        {"NS_CHECKED", [](QPainter& p) { CheckBox(p, 2, 2, 11, 1); }},
        {"NS_PARTCHECKED", [](QPainter& p) { CheckBox(p, 2, 2, 11, 2); }},
        {"ACT_ABORT2",
         [](QPainter& p) {
             Pen(p, kRed.darker(150));
             p.setBrush(kRed);
             p.drawPolygon(QPolygon({QPoint(5, 1), QPoint(10, 1), QPoint(14, 5), QPoint(14, 10), QPoint(10, 14),
                                     QPoint(5, 14), QPoint(1, 10), QPoint(1, 5)}));
             p.fillRect(4, 7, 8, 2, Qt::white);
         }},
        {"ACT_DRIVE_SRCH2",
         [](QPainter& p) {
             Drive(p, 2);
             Magnifier(p, 6, 6);
         }},
        {"ACT_BACK", [](QPainter& p) { Arrow(p, kGreen); }},
        {"ACT_REVIEW",
         [](QPainter& p) {
             Page(p, QColor(150, 150, 150));
             Magnifier(p, 6, 6);
         }},
        {"ACT_PURGE2", [](QPainter& p) { Trash(p); }},
        {"ACT_EXIT",
         [](QPainter& p) {
             Pen(p, QColor(90, 60, 20));
             p.setBrush(QColor(160, 110, 50));
             p.drawRect(2, 1, 7, 13);
             p.fillRect(7, 7, 1, 2, QColor(250, 220, 80));
             Pen(p, kGreen, 2);
             p.drawLine(9, 8, 14, 8);
             p.drawLine(12, 6, 14, 8);
             p.drawLine(12, 10, 14, 8);
         }},
        {"ACT_OK", [](QPainter& p) { Check(p, kGreen); }},
        {"ACT_CANCEL", [](QPainter& p) { Cross(p, kRed); }},
        {"ACT_SELECTALL",
         [](QPainter& p) {
             CheckBox(p, 5, 0, 9, 1);
             CheckBox(p, 1, 5, 9, 1);
         }},
        {"ACT_UNSELECTALL",
         [](QPainter& p) {
             CheckBox(p, 5, 0, 9, 0);
             CheckBox(p, 1, 5, 9, 0);
         }},
        {"ACT_EXPORTHTML",
         [](QPainter& p) {
             Page(p, QColor(150, 150, 150));
             Pen(p, kBlue.darker(130));
             p.setBrush(QColor(90, 160, 240));
             p.drawEllipse(7, 7, 8, 8);
             p.drawLine(11, 7, 11, 15);
             p.drawLine(7, 11, 15, 11);
         }},
        {"ACT_FLDR_SRCH",
         [](QPainter& p) {
             Folder(p, false);
             Magnifier(p, 6, 6);
         }},
        {"ACT_REC_ADD", [](QPainter& p) { Bar(p, kGreen, true); }},
        {"ACT_REC_EDIT",
         [](QPainter& p) {
             Pen(p, kOutline);
             p.setBrush(QColor(250, 200, 60));
             p.drawPolygon(QPolygon({QPoint(11, 1), QPoint(14, 4), QPoint(5, 13), QPoint(2, 10)}));
             p.setBrush(QColor(240, 200, 160));
             p.drawPolygon(QPolygon({QPoint(2, 10), QPoint(5, 13), QPoint(1, 14)}));
             p.fillRect(11, 2, 2, 2, QColor(230, 120, 140));
         }},
        {"ACT_REC_DEL", [](QPainter& p) { Bar(p, kRed, false); }},
    };
    return painters;
}

// A rising wave in a round badge: the tide that washes the temporary files
// away; the second icon carries a sparkle for a cleaned disk.
void Badge(QPainter& p, const QColor& sea, bool sparkle)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(sea.darker(160), 2));
    QRadialGradient fill(QPointF(18, 16), 30);
    fill.setColorAt(0, sea.lighter(160));
    fill.setColorAt(1, sea);
    p.setBrush(fill);
    p.drawEllipse(QRectF(2, 2, 44, 44));
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row < 2; ++row) {
        const qreal y = 24 + row * 9;
        QPainterPath wave(QPointF(9, y));
        wave.cubicTo(QPointF(15, y - 8), QPointF(19, y + 6), QPointF(24, y - 1));
        wave.cubicTo(QPointF(29, y - 8), QPointF(33, y + 6), QPointF(39, y - 1));
        p.drawPath(wave);
    }
    if (sparkle) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 236, 120));
        p.drawPolygon(QPolygonF({QPointF(33, 6), QPointF(35, 13), QPointF(42, 15), QPointF(35, 17), QPointF(33, 24),
                                 QPointF(31, 17), QPointF(24, 15), QPointF(31, 13)}));
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(18, 9, 7, 7));
    }
}

const std::map<QString, Painter>& Icons()
{
    static const std::map<QString, Painter> painters = {
        {"TIDEWASH1", [](QPainter& p) { Badge(p, QColor(30, 110, 200), false); }},
        {"TIDEWASH2", [](QPainter& p) { Badge(p, QColor(20, 150, 150), true); }},
    };
    return painters;
}

QImage Draw(const Painter& paint, int size, bool bitmap)
{
    QImage image(size, size, bitmap ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    image.fill(bitmap ? kFuchsia : QColor(Qt::transparent));
    QPainter p(&image);
    paint(p);
    return image;
}

QImage WithoutFuchsia(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFF00FF)
                image.setPixel(x, y, 0);
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr,
                     "usage: twsres_draw <resource script> <image folder> <contact sheet.png> [<Windows script>]\n");
        return 64;
    }
    const bool windows = argc == 5;
    QString windowsScript;
    QFile script(QString::fromLocal8Bit(argv[1]));
    if (!script.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "twsres_draw: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QRegularExpression entry(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s+(BITMAP|ICON)\s+"([^"]+)\"\s*$)");
    std::vector<QImage> drawn;
    QTextStream in(&script);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QRegularExpressionMatch m = entry.match(line);
        if (!m.hasMatch()) {
            windowsScript += line + "\n";
            continue;
        }
        const bool bitmap = m.captured(2) == "BITMAP";
        const auto& painters = bitmap ? Bitmaps() : Icons();
        const auto painter = painters.find(m.captured(1));
        if (painter == painters.end()) {
            std::fprintf(stderr, "twsres_draw: no picture for %s %s\n", qPrintable(m.captured(2)),
                         qPrintable(m.captured(1)));
            return 1;
        }
        const QImage image = Draw(painter->second, bitmap ? 16 : 48, bitmap);
        if (!image.save(folder + "/" + m.captured(3), "PNG")) {
            std::fprintf(stderr, "twsres_draw: cannot write %s\n", qPrintable(m.captured(3)));
            return 1;
        }
        if (windows) {
            const QString base = m.captured(3).section('.', 0, -2);
            const QString file = base + (bitmap ? ".bmp" : ".ico");
            const QImage form = bitmap ? image.convertToFormat(QImage::Format_RGB888) : image;
            if (!form.save(folder + "/" + file, bitmap ? "BMP" : "ICO")) {
                std::fprintf(stderr, "twsres_draw: cannot write %s\n", qPrintable(file));
                return 1;
            }
            windowsScript += m.captured(1) + " " + m.captured(2) + " \"" + file + "\"\n";
        }
        drawn.push_back(bitmap ? WithoutFuchsia(image) : image);
    }
    if (windows) {
        QFile out(QString::fromLocal8Bit(argv[4]));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Text) || out.write(windowsScript.toUtf8()) < 0) {
            std::fprintf(stderr, "twsres_draw: cannot write %s\n", argv[4]);
            return 1;
        }
    }

    const int cell = 4 * 48 + 8;
    const int columns = 6;
    const int rows = static_cast<int>((drawn.size() + columns - 1) / columns);
    QImage sheet(columns * cell, rows * cell, QImage::Format_ARGB32);
    QPainter p(&sheet);
    for (int y = 0; y < sheet.height(); y += 8)
        for (int x = 0; x < sheet.width(); x += 8)
            p.fillRect(x, y, 8, 8, ((x + y) / 8) % 2 ? QColor(204, 204, 204) : QColor(255, 255, 255));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const QImage big = drawn[i].scaled(drawn[i].size() * (drawn[i].width() == 16 ? 12 : 4));
        const int x = static_cast<int>(i % columns) * cell + (cell - big.width()) / 2;
        const int y = static_cast<int>(i / columns) * cell + (cell - big.height()) / 2;
        p.drawImage(x, y, big);
    }
    p.end();
    return sheet.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
