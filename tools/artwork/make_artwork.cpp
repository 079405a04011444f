// Draws the pictures of the Qt program (event images, tool bar and tab icons, the program
// icon, also in the icon theme's sizes, and its sniffing variant for the tray, and the banner
// background) into the res/ folder given as the only argument. The results are committed; run
// scripts/make-artwork after changing a drawing.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRandomGenerator>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&)>;

QImage Draw(int width, int height, const Drawing& drawing) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawing(painter);
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QFont LabelFont(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A kind badge: coloured plate, a white sign on the left, the kind's short name.
struct EventBadge {
    QColor colour;
    QString name;
    Drawing sign;  // drawn into a 13 x 13 box at (4, 3)
};

void DrawBadge(QPainter& p, const EventBadge& badge) {
    QLinearGradient plate(0, 0, 0, 19);
    plate.setColorAt(0, badge.colour.lighter(135));
    plate.setColorAt(1, badge.colour.darker(115));
    p.setPen(QPen(badge.colour.darker(150), 1));
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(0.5, 0.5, 95, 18), 4, 4);
    p.save();
    p.translate(4, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    badge.sign(p);
    p.restore();
    p.setPen(Qt::white);
    p.setFont(LabelFont(12, true));
    p.drawText(QRectF(21, 0, 73, 19), Qt::AlignVCenter | Qt::AlignLeft, badge.name);
}

void Plus(QPainter& p) {
    p.drawRect(QRectF(5, 1, 3, 11));
    p.drawRect(QRectF(1, 5, 11, 3));
}

void UpArrow(QPainter& p) {
    p.drawPolygon(
        QPolygonF({{6.5, 0.5}, {12.5, 7}, {9, 7}, {9, 12.5}, {4, 12.5}, {4, 7}, {0.5, 7}}));
}

void DownArrow(QPainter& p) {
    p.drawPolygon(
        QPolygonF({{6.5, 12.5}, {12.5, 6}, {9, 6}, {9, 0.5}, {4, 0.5}, {4, 6}, {0.5, 6}}));
}

void Eye(QPainter& p) {
    QPainterPath lid;
    lid.moveTo(0, 6.5);
    lid.quadTo(6.5, -1.5, 13, 6.5);
    lid.quadTo(6.5, 14.5, 0, 6.5);
    p.drawPath(lid);
    p.setBrush(QColor(0x5d, 0x1a, 0x8b));
    p.drawEllipse(QPointF(6.5, 6.5), 2.6, 2.6);
}

void Swap(QPainter& p) {
    p.drawPolygon(QPolygonF({{0, 3}, {4, 0}, {4, 2}, {12, 2}, {12, 4}, {4, 4}, {4, 6}}));
    p.drawPolygon(QPolygonF({{13, 10}, {9, 13}, {9, 11}, {1, 11}, {1, 9}, {9, 9}, {9, 7}}));
}

void Plug(QPainter& p) {
    p.drawRect(QRectF(2, 4, 9, 6));
    p.drawRect(QRectF(4, 0, 1.6, 4));
    p.drawRect(QRectF(7.4, 0, 1.6, 4));
    p.drawRect(QRectF(5.5, 10, 2, 3));
}

// A sheet of paper with a folded corner, for the export and log pictures.
void Sheet(QPainter& p, QRectF r, QColor edge) {
    const qreal fold = r.width() * 0.3;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void Gear(QPainter& p, QPointF centre, qreal radius, QColor colour) {
    p.save();
    p.translate(centre);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.rotate(i * 45.0);
        p.drawRect(QRectF(-radius * 0.22, -radius, radius * 0.44, radius * 0.5));
        p.restore();
    }
    p.drawEllipse(QPointF(0, 0), radius * 0.72, radius * 0.72);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), radius * 0.3, radius * 0.3);
    p.restore();
}

void Bell(QPainter& p, QRectF r, QColor colour) {
    QPainterPath bell;
    bell.moveTo(r.left() + r.width() * 0.5, r.top());
    bell.cubicTo(r.left() + r.width() * 0.05, r.top(), r.left() + r.width() * 0.2,
                 r.bottom() - r.height() * 0.25, r.left(), r.bottom() - r.height() * 0.15);
    bell.lineTo(r.right(), r.bottom() - r.height() * 0.15);
    bell.cubicTo(r.right() - r.width() * 0.2, r.bottom() - r.height() * 0.25,
                 r.right() - r.width() * 0.05, r.top(), r.left() + r.width() * 0.5, r.top());
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    p.drawPath(bell);
    p.drawEllipse(QPointF(r.center().x(), r.bottom() - r.height() * 0.06), r.width() * 0.12,
                  r.width() * 0.12);
}

void Magnifier(QPainter& p, QPointF centre, qreal radius, QColor colour) {
    p.setPen(QPen(colour, radius * 0.45, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(220, 236, 255));
    p.drawEllipse(centre, radius, radius);
    p.drawLine(centre + QPointF(radius * 0.75, radius * 0.75),
               centre + QPointF(radius * 1.9, radius * 1.9));
}

// Three linked hosts: the program's sign.
void Network(QPainter& p, qreal size, QColor line, QColor node) {
    const QPointF a(size * 0.5, size * 0.22);
    const QPointF b(size * 0.2, size * 0.75);
    const QPointF c(size * 0.8, size * 0.75);
    p.setPen(QPen(line, size * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
    p.drawLine(b, c);
    p.drawLine(c, a);
    p.setPen(Qt::NoPen);
    p.setBrush(node);
    for (const auto& point : {a, b, c}) {
        p.drawEllipse(point, size * 0.13, size * 0.13);
    }
}

bool MakeEventImages(const QDir& images) {
    const EventBadge badges[] = {
        {QColor(0x2e, 0x8b, 0x57), QStringLiteral("新規ノード"), Plus},
        {QColor(0x1e, 0x6f, 0xd9), QStringLiteral("ノード起動"), UpArrow},
        {QColor(0xc6, 0x28, 0x28), QStringLiteral("ノード停止"), DownArrow},
        {QColor(0x7b, 0x1f, 0xa2), QStringLiteral("盗聴ノード"), Eye},
        {QColor(0x00, 0x83, 0x8f), QStringLiteral("IP変更"), Swap},
        {QColor(0x8d, 0x5a, 0x2b), QStringLiteral("機器変更"), Plug},
    };
    bool ok = true;
    int kind = 0;
    for (const auto& badge : badges) {
        ok &= Save(Draw(96, 19, [&](QPainter& p) { DrawBadge(p, badge); }),
                   images.filePath(QStringLiteral("event%1.png").arg(kind++)));
    }
    return ok;
}

bool MakeToolBarImages(const QDir& images) {
    const QColor blue(0x1e, 0x5a, 0xa8);
    bool ok = true;
    ok &= Save(Draw(24, 24,
                    [&](QPainter& p) {
                        p.setPen(QPen(blue.darker(130), 1));
                        p.setBrush(blue);
                        p.drawRoundedRect(QRectF(2.5, 2.5, 19, 19), 2, 2);
                        p.setBrush(Qt::white);
                        p.drawRect(QRectF(6.5, 3.5, 11, 7));
                        p.setBrush(QColor(0xd0, 0xd8, 0xe8));
                        p.drawRect(QRectF(7.5, 14.5, 9, 7));
                        p.setBrush(blue);
                        p.drawRect(QRectF(13, 15.5, 2, 5));
                    }),
               images.filePath(QStringLiteral("toolbar_save.png")));
    ok &= Save(Draw(24, 24,
                    [&](QPainter& p) {
                        Sheet(p, QRectF(4.5, 1.5, 15, 21), QColor(0x60, 0x60, 0x60));
                        p.setPen(QPen(QColor(0xe0, 0x6c, 0x00), 2));
                        p.drawPolyline(QPolygonF({{10, 9}, {7, 13}, {10, 17}}));
                        p.drawPolyline(QPolygonF({{14, 9}, {17, 13}, {14, 17}}));
                    }),
               images.filePath(QStringLiteral("toolbar_html.png")));
    ok &= Save(Draw(24, 24,
                    [&](QPainter& p) {
                        Sheet(p, QRectF(4.5, 1.5, 15, 21), QColor(0x60, 0x60, 0x60));
                        p.setPen(QPen(QColor(0x2e, 0x8b, 0x57), 1));
                        for (int y = 8; y <= 19; y += 3) {
                            p.drawLine(QPointF(7, y + 0.5), QPointF(17, y + 0.5));
                        }
                        p.drawLine(QPointF(11.5, 8), QPointF(11.5, 20));
                    }),
               images.filePath(QStringLiteral("toolbar_csv.png")));
    ok &= Save(Draw(24, 24,
                    [&](QPainter& p) {
                        Magnifier(p, QPointF(9, 9), 6, blue);
                        Gear(p, QPointF(17, 17), 6, QColor(0x70, 0x70, 0x70));
                    }),
               images.filePath(QStringLiteral("toolbar_search_settings.png")));
    ok &= Save(Draw(24, 24,
                    [&](QPainter& p) {
                        Bell(p, QRectF(2, 2, 16, 17), QColor(0xf2, 0xb1, 0x1b));
                        Gear(p, QPointF(17.5, 17.5), 5.5, QColor(0x70, 0x70, 0x70));
                    }),
               images.filePath(QStringLiteral("toolbar_event_settings.png")));
    ok &= Save(Draw(24, 24,
                    [&](QPainter& p) {
                        p.setPen(QPen(blue.darker(130), 1));
                        p.setBrush(blue);
                        p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
                        p.setPen(Qt::white);
                        p.setFont(LabelFont(16, true));
                        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
                    }),
               images.filePath(QStringLiteral("toolbar_help.png")));
    return ok;
}

bool MakeTabImages(const QDir& images) {
    bool ok = true;
    ok &= Save(Draw(16, 16,
                    [&](QPainter& p) {
                        Network(p, 16, QColor(0x55, 0x55, 0x55), QColor(0x1e, 0x6f, 0xd9));
                    }),
               images.filePath(QStringLiteral("tab_nodes.png")));
    ok &= Save(Draw(16, 16,
                    [&](QPainter& p) {
                        Sheet(p, QRectF(2.5, 0.5, 11, 15), QColor(0x60, 0x60, 0x60));
                        p.setPen(QPen(QColor(0x1e, 0x6f, 0xd9), 1));
                        for (int y = 5; y <= 12; y += 2) {
                            p.drawLine(QPointF(4.5, y + 0.5), QPointF(11.5, y + 0.5));
                        }
                    }),
               images.filePath(QStringLiteral("tab_event_log.png")));
    ok &= Save(Draw(16, 16,
                    [&](QPainter& p) {
                        p.setPen(QPen(QColor(0xa0, 0x10, 0x10), 1));
                        p.setBrush(QColor(0xd3, 0x2f, 0x2f));
                        p.drawPolygon(QPolygonF({{8, 1}, {15, 14.5}, {1, 14.5}}));
                        p.setPen(Qt::NoPen);
                        p.setBrush(Qt::white);
                        p.drawRect(QRectF(7.2, 5, 1.6, 5.5));
                        p.drawRect(QRectF(7.2, 11.5, 1.6, 1.6));
                    }),
               images.filePath(QStringLiteral("tab_error_log.png")));
    ok &= Save(
        Draw(16, 16, [&](QPainter& p) { Gear(p, QPointF(8, 8), 7.5, QColor(0x60, 0x60, 0x60)); }),
        images.filePath(QStringLiteral("tab_settings.png")));
    return ok;
}

// The program icon, drawn on a 64-unit square and scaled to the size asked.
QImage ProgramIcon(int size) {
    return Draw(size, size, [&](QPainter& p) {
        p.scale(size / 64.0, size / 64.0);
        QLinearGradient back(0, 0, 0, 64);
        back.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
        back.setColorAt(1, QColor(0x1a, 0x3f, 0x7a));
        p.setPen(Qt::NoPen);
        p.setBrush(back);
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        p.translate(6, 8);
        Network(p, 52, QColor(0xd0, 0xe4, 0xff), Qt::white);
    });
}

// The tray's icon while a sniffing node is listed: the program icon with a red badge and
// the sniffing kind's eye in its lower right corner, still clear at tray sizes.
QImage SniffingProgramIcon(int size) {
    QImage image = ProgramIcon(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(QColor(0xd3, 0x1f, 0x26));
    p.drawEllipse(QPointF(44, 44), 18, 18);
    p.translate(44 - 13, 44 - 13);
    p.scale(2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    Eye(p);
    return image;
}

bool MakeProgramIcon(const QDir& images) {
    return Save(ProgramIcon(64), images.filePath(QStringLiteral("halvera.png"))) &&
           Save(SniffingProgramIcon(64), images.filePath(QStringLiteral("halvera_sniffing.png")));
}

// The icon in the sizes of the desktop's icon theme, installed under hicolor.
bool MakeThemeIcons(const QDir& res) {
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("icons/hicolor/%1x%1/apps").arg(size);
        ok &= res.mkpath(folder) &&
              Save(ProgramIcon(size), res.filePath(folder + QStringLiteral("/halvera.png")));
    }
    return ok;
}

// The banner background: a pale gradient that the two text lines stay readable on, with a
// faint pattern of linked hosts towards the right.
bool MakeBanner(const QDir& res) {
    QImage image(1024, 40, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 1024, 0);
    back.setColorAt(0, QColor(0xf4, 0xf8, 0xff));
    back.setColorAt(0.55, QColor(0xe3, 0xee, 0xfc));
    back.setColorAt(1, QColor(0xb9, 0xd2, 0xf3));
    p.fillRect(image.rect(), back);
    QRandomGenerator random(20240);
    QPointF previous(600, 20);
    for (int i = 0; i < 24; ++i) {
        const QPointF point(600 + i * 18 + random.bounded(10), 6 + random.bounded(28));
        p.setPen(QPen(QColor(0x8f, 0xb3, 0xe6), 1));
        p.drawLine(previous, point);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x6f, 0x9c, 0xdc));
        p.drawEllipse(point, 2.2, 2.2);
        previous = point;
    }
    p.setPen(QPen(QColor(0x9d, 0xb9, 0xe0), 1));
    p.drawLine(0, 39, 1024, 39);
    p.end();
    if (!image.save(res.filePath(QStringLiteral("back.jpg")), "JPG", 92)) {
        std::fprintf(stderr, "cannot write back.jpg\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RES_FOLDER\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QDir res(QString::fromLocal8Bit(argv[1]));
    if (!res.mkpath(QStringLiteral("images"))) {
        std::fprintf(stderr, "cannot create %s/images\n", argv[1]);
        return 1;
    }
    QDir images(res.filePath(QStringLiteral("images")));
    bool ok = MakeEventImages(images);
    ok &= MakeToolBarImages(images);
    ok &= MakeTabImages(images);
    ok &= MakeProgramIcon(images);
    ok &= MakeThemeIcons(res);
    ok &= MakeBanner(res);
    return ok ? 0 : 1;
}
