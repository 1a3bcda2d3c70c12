// Draws Pairwell's pictures: the shared strip of fifteen 16 x 16 pictures, the
// two sort triangles of the file list's header, the toolbar buttons and the
// program icon (PNG in the usual icon sizes plus an SVG). Small pictures are
// pixel art on an exact grid with real transparency, so they stay crisp at
// their size; the larger icon sizes are rendered from the vector design.
//
// Usage: make-pictures <output folder>   (writes the PNGs and pairwell.svg)

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace {

using Palette = std::map<char, QRgb>;

// The colours of the pixel art; '.' is transparent.
const Palette kPalette = {
    {'K', qRgb(0x1e, 0x1e, 0x1e)}, // black outline
    {'W', qRgb(0xff, 0xff, 0xff)}, // white
    {'w', qRgb(0xdc, 0xe6, 0xf2)}, // pale blue-grey (window client, page fold)
    {'L', qRgb(0x5f, 0x6b, 0x78)}, // page outline
    {'m', qRgb(0x9a, 0xa4, 0xb0)}, // text lines
    {'o', qRgb(0x8c, 0x65, 0x12)}, // folder outline
    {'Y', qRgb(0xe8, 0xb0, 0x28)}, // folder back
    {'y', qRgb(0xf8, 0xd2, 0x5a)}, // folder front
    {'l', qRgb(0xff, 0xee, 0xa8)}, // folder highlight
    {'d', qRgb(0x58, 0x5c, 0x60)}, // grey outline
    {'G', qRgb(0x9c, 0xa0, 0xa4)}, // grey back
    {'g', qRgb(0xc6, 0xc9, 0xcc)}, // grey front
    {'h', qRgb(0xe8, 0xea, 0xec)}, // grey highlight
    {'B', qRgb(0x16, 0x3f, 0x85)}, // dark blue
    {'b', qRgb(0x2a, 0x66, 0xc8)}, // blue
    {'s', qRgb(0x8f, 0xb6, 0xee)}, // light blue
    {'R', qRgb(0x8c, 0x10, 0x10)}, // red outline
    {'r', qRgb(0xe0, 0x26, 0x26)}, // red
    {'N', qRgb(0x0e, 0x5e, 0x18)}, // green outline
    {'n', qRgb(0x2a, 0xaa, 0x38)}, // green
    {'X', qRgb(0x50, 0x05, 0x05)}, // cross outline
    {'x', qRgb(0xa8, 0x14, 0x14)}, // dark red cross
    {'Q', qRgb(0x74, 0x52, 0x00)}, // question mark outline
    {'q', qRgb(0xff, 0xd0, 0x1a)}, // question mark yellow
    {'C', qRgb(0x12, 0x36, 0x78)}, // approximately-equal outline
    {'c', qRgb(0x2f, 0x72, 0xe0)}, // approximately-equal blue
    {'S', qRgb(0xd8, 0x7a, 0x00)}, // sparkle outline
    {'t', qRgb(0xff, 0xe4, 0x40)}, // sparkle
};

QImage Blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage FromArt(const std::vector<const char*>& rows)
{
    const int height = int(rows.size());
    const int width = int(std::strlen(rows.front()));
    QImage image = Blank(width, height);
    for (int y = 0; y < height; ++y) {
        if (int(std::strlen(rows[y])) != width) {
            std::fprintf(stderr, "row %d has %zu pixels, not %d: %s\n", y, std::strlen(rows[y]), width, rows[y]);
            std::exit(1);
        }
        for (int x = 0; x < width; ++x) {
            const char c = rows[y][x];
            if (c == '.')
                continue;
            const auto colour = kPalette.find(c);
            if (colour == kPalette.end()) {
                std::fprintf(stderr, "unknown colour '%c'\n", c);
                std::exit(1);
            }
            image.setPixel(x, y, colour->second | 0xff000000u);
        }
    }
    return image;
}

// Replaces colours of the palette by others (the grey folders are the yellow ones recoloured).
QImage Recolour(const QImage& source, const std::map<char, char>& mapping)
{
    QImage image = source;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (const auto& [from, to] : mapping)
                if (image.pixel(x, y) == (kPalette.at(from) | 0xff000000u))
                    image.setPixel(x, y, kPalette.at(to) | 0xff000000u);
    return image;
}

// Opaque pixels of `top` replace those of `image` at the offset.
void Overlay(QImage& image, const QImage& top, int dx, int dy)
{
    for (int y = 0; y < top.height(); ++y)
        for (int x = 0; x < top.width(); ++x)
            if (qAlpha(top.pixel(x, y)) != 0 && image.rect().contains(x + dx, y + dy))
                image.setPixel(x + dx, y + dy, top.pixel(x, y));
}

// A shape on the pixel grid: the pixels whose centre lies inside get `fill`,
// the pixels around them (8-neighbourhood) get `outline`. No anti-aliasing.
QImage Raster(int width, int height, const std::function<bool(double, double)>& inside, char fill, char outline)
{
    std::vector<std::vector<bool>> in(height, std::vector<bool>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            in[y][x] = inside(x + 0.5, y + 0.5);
    QImage image = Blank(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (in[y][x]) {
                image.setPixel(x, y, kPalette.at(fill) | 0xff000000u);
                continue;
            }
            bool edge = false;
            for (int ny = y - 1; ny <= y + 1 && !edge; ++ny)
                for (int nx = x - 1; nx <= x + 1 && !edge; ++nx)
                    edge = ny >= 0 && nx >= 0 && ny < height && nx < width && in[ny][nx];
            if (edge)
                image.setPixel(x, y, kPalette.at(outline) | 0xff000000u);
        }
    }
    return image;
}

double SegmentDistance(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::sqrt(QPointF::dotProduct(d, d));
}

// A polyline of the given half width.
std::function<bool(double, double)> Stroke(std::vector<QPointF> points, double halfWidth)
{
    return [points, halfWidth](double x, double y) {
        for (size_t i = 1; i < points.size(); ++i)
            if (SegmentDistance({x, y}, points[i - 1], points[i]) <= halfWidth)
                return true;
        return false;
    };
}

std::function<bool(double, double)> Polygon(QPolygonF polygon)
{
    return [polygon](double x, double y) { return polygon.containsPoint({x, y}, Qt::OddEvenFill); };
}

// ---- the picture strip ----------------------------------------------------

QImage Empty16()
{
    return Blank(16, 16);
}

QImage RootWindow()
{
    return FromArt({
        "................",
        "BBBBBBBBBBBBBBBB",
        "BbbbbbbbbbbbWbWB",
        "BbbbbbbbbbbbbbbB",
        "BBBBBBBBBBBBBBBB",
        "BwwwwwwwwwwwwwwB",
        "BwwwwLLLLLwwwwwB",
        "BwwwwLWWWWLwwwwB",
        "BwwwwLWmmWWLwwwB",
        "BwwwwLWWWWWLwwwB",
        "BwwwwLWmmmWLwwwB",
        "BwwwwLWWWWWLwwwB",
        "BwwwwLWmmmWLwwwB",
        "BwwwwLLLLLLLwwwB",
        "BwwwwwwwwwwwwwwB",
        "BBBBBBBBBBBBBBBB",
    });
}

QImage FilePage()
{
    return FromArt({
        "................",
        "..LLLLLLLL......",
        "..LWWWWWWLL.....",
        "..LWWWWWWLwL....",
        "..LWWWWWWLwwL...",
        "..LWWWWWWLLLLL..",
        "..LWWWWWWWWWWL..",
        "..LWmmmmmmmmWL..",
        "..LWWWWWWWWWWL..",
        "..LWmmmmmmmmWL..",
        "..LWWWWWWWWWWL..",
        "..LWmmmmmmmmWL..",
        "..LWWWWWWWWWWL..",
        "..LWmmmmmWWWWL..",
        "..LWWWWWWWWWWL..",
        "..LLLLLLLLLLLL..",
    });
}

QImage Folder()
{
    return FromArt({
        "................",
        "................",
        ".oooo...........",
        "oYYYYo..........",
        "oYYYYYooooooooo.",
        "oYYYYYYYYYYYYYo.",
        "oYoooooooooooooo",
        "oYollllllllllllo",
        "oYoyyyyyyyyyyyyo",
        "oYoyyyyyyyyyyyyo",
        "oYoyyyyyyyyyyyyo",
        "oYoyyyyyyyyyyyyo",
        "oYoyyyyyyyyyyyyo",
        "oYoyyyyyyyyyyyyo",
        ".ooooooooooooooo",
        "................",
    });
}

QImage SmallFolder()
{
    return FromArt({
        ".ooo........",
        "oYYYoooooo..",
        "oYYYYYYYYYo.",
        "oYoooooooooo",
        "oYollllllllo",
        "oYoyyyyyyyyo",
        "oYoyyyyyyyyo",
        "oYoyyyyyyyyo",
        ".ooooooooooo",
    });
}

QImage StackedFolders()
{
    QImage image = Empty16();
    Overlay(image, SmallFolder(), 4, 1);
    Overlay(image, SmallFolder(), 0, 6);
    return image;
}

const std::map<char, char> kGrey = {{'o', 'd'}, {'Y', 'G'}, {'y', 'g'}, {'l', 'h'}};

QImage Plus()
{
    return FromArt({
        "................",
        ".....RRRRRR.....",
        ".....RrrrrR.....",
        ".....RrrrrR.....",
        ".....RrrrrR.....",
        ".RRRRRrrrrRRRRR.",
        ".RrrrrrrrrrrrrR.",
        ".RrrrrrrrrrrrrR.",
        ".RrrrrrrrrrrrrR.",
        ".RrrrrrrrrrrrrR.",
        ".RRRRRrrrrRRRRR.",
        ".....RrrrrR.....",
        ".....RrrrrR.....",
        ".....RrrrrR.....",
        ".....RRRRRR.....",
        "................",
    });
}

QImage Minus()
{
    return FromArt({
        "................",
        "................",
        "................",
        "................",
        "................",
        ".NNNNNNNNNNNNNN.",
        ".NnnnnnnnnnnnnN.",
        ".NnnnnnnnnnnnnN.",
        ".NnnnnnnnnnnnnN.",
        ".NnnnnnnnnnnnnN.",
        ".NNNNNNNNNNNNNN.",
        "................",
        "................",
        "................",
        "................",
        "................",
    });
}

QImage Tick(char fill, char outline)
{
    return Raster(16, 16, Stroke({{2.5, 8.0}, {6.0, 11.5}, {13.5, 4.0}}, 1.6), fill, outline);
}

QImage ApproxEqual()
{
    return FromArt({
        "................",
        "................",
        "...ccc..........",
        "..cccccC........",
        ".ccC..cccC...cc.",
        ".C......ccccCcC.",
        "..........CCC...",
        "................",
        "................",
        "...ccc..........",
        "..cccccC........",
        ".ccC..cccC...cc.",
        ".C......ccccCcC.",
        "..........CCC...",
        "................",
        "................",
    });
}

QImage Cross()
{
    return Raster(
        16, 16,
        [](double x, double y) {
            return Stroke({{3.0, 3.0}, {13.0, 13.0}}, 1.3)(x, y) || Stroke({{13.0, 3.0}, {3.0, 13.0}}, 1.3)(x, y);
        },
        'x', 'X');
}

QImage Question()
{
    return FromArt({
        "................",
        ".....QQQQQQ.....",
        "....QqqqqqqQ....",
        "...QqqQQQQqqQ...",
        "...QqqQ..QqqQ...",
        "...QQQQ..QqqQ...",
        "........QqqqQ...",
        ".......QqqqQ....",
        "......QqqqQ.....",
        "......QqqQ......",
        "......QQQQ......",
        "................",
        "......QQQQ......",
        "......QqqQ......",
        "......QqqQ......",
        "......QQQQ......",
    });
}

std::vector<QImage> Strip()
{
    return {
        Empty16(), // 0 no status
        RootWindow(), // 1 the root item
        FilePage(), // 2 a file
        StackedFolders(), // 3 top-level project
        Folder(), // 4 subfolder
        Recolour(StackedFolders(), kGrey), // 5 project whose subfolders are not searched
        Recolour(Folder(), kGrey), // 6 subfolder whose subfolders are not searched
        Empty16(), // 7 in sync
        Plus(), // 8 only in the project folder
        Minus(), // 9 only in the target folder
        Tick('r', 'R'), // 10 project side newer
        Tick('n', 'N'), // 11 target side newer
        ApproxEqual(), // 12 equal within the tolerance
        Cross(), // 13 excluded
        Question(), // 14 mixed, deleted files, size differs
    };
}

// ---- sort triangles (8 x 7) -------------------------------------------------

QImage SortUp()
{
    return FromArt({
        "........",
        "........",
        "...LL...",
        "..LLLL..",
        ".LLLLLL.",
        "LLLLLLLL",
        "........",
    });
}

QImage SortDown()
{
    return SortUp().mirrored(false, true);
}

// ---- toolbar ----------------------------------------------------------------

QImage Sparkle()
{
    return FromArt({
        "..S..",
        ".StS.",
        "StttS",
        ".StS.",
        "..S..",
    });
}

QImage MiniTick(char fill, char outline)
{
    return Raster(8, 8, Stroke({{1.3, 4.0}, {3.2, 5.8}, {6.7, 1.8}}, 0.9), fill, outline);
}

QImage Arrow(bool right, char fill, char outline)
{
    // Pointing left; mirrored for right.
    QPolygonF shape({{1.5, 4.0}, {6.0, 0.6}, {6.0, 2.6}, {13.5, 2.6}, {13.5, 5.4}, {6.0, 5.4}, {6.0, 7.4}});
    QImage image = Raster(15, 8, Polygon(shape), fill, outline);
    return right ? image.mirrored(true, false) : image;
}

QImage OpenFolder()
{
    return FromArt({
        "................",
        "................",
        ".oooo...........",
        "oYYYYo..........",
        "oYYYYYoooooooo..",
        "oYYYYYYYYYYYYo..",
        "oYYYYYYYYYYYYo..",
        "oYYYoooooooooooo",
        "oYYollllllllllo.",
        "oYYoyyyyyyyyyyo.",
        "oYoyyyyyyyyyyo..",
        "oYoyyyyyyyyyyo..",
        "ooyyyyyyyyyyo...",
        "ooyyyyyyyyyyo...",
        "ooooooooooooo...",
        "................",
    });
}

QImage Floppy()
{
    return FromArt({
        "................",
        ".BBBBBBBBBBBBB..",
        ".BbbGGGGGGGGbbB.",
        ".BbbGhhhhBBGbbB.",
        ".BbbGhhhhBBGbbB.",
        ".BbbGGGGGGGGbbB.",
        ".BbbbbbbbbbbbbB.",
        ".BbWWWWWWWWWWbB.",
        ".BbWmmmmmmmmWbB.",
        ".BbWWWWWWWWWWbB.",
        ".BbWmmmmmmmmWbB.",
        ".BbWWWWWWWWWWbB.",
        ".BbWWWWWWWWWWbB.",
        ".BbbbbbbbbbbbbB.",
        ".BBBBBBBBBBBBBB.",
        "................",
    });
}

QImage TrashCan()
{
    return FromArt({
        "................",
        "......dddd......",
        ".....d....d.....",
        "..dddddddddddd..",
        "..dhhhhhhhhhhd..",
        "..dddddddddddd..",
        "...dhhGhhGhhd...",
        "...dhhGhhGhhd...",
        "...dhhGhhGhhd...",
        "...dhhGhhGhhd...",
        "...dhhGhhGhhd...",
        "...dhhGhhGhhd...",
        "...dhhGhhGhhd...",
        "...dhhGhhGhhd...",
        "...dddddddddd...",
        "................",
    });
}

// Two overlapping pages; `binary` fills them with bit patterns instead of text lines.
QImage TwoPages(bool binary)
{
    auto page = [binary] {
        std::vector<const char*> text = {
            "LLLLLLLL",
            "LWWWWWWL",
            "LWmmmmWL",
            "LWWWWWWL",
            "LWmmmmWL",
            "LWWWWWWL",
            "LWmmmWWL",
            "LWWWWWWL",
            "LWmmmmWL",
            "LWWWWWWL",
            "LLLLLLLL",
        };
        std::vector<const char*> bits = {
            "LLLLLLLL",
            "LWWWWWWL",
            "LWbWbbWL",
            "LWWWWWWL",
            "LWbbWbWL",
            "LWWWWWWL",
            "LWbWWbWL",
            "LWWWWWWL",
            "LWbbWbWL",
            "LWWWWWWL",
            "LLLLLLLL",
        };
        return FromArt(binary ? bits : text);
    };
    QImage image = Empty16();
    Overlay(image, page(), 0, 1);
    Overlay(image, page(), 8, 4);
    return image;
}

std::map<QString, QImage> Toolbar()
{
    std::map<QString, QImage> images;

    QImage create = StackedFolders();
    Overlay(create, Sparkle(), 0, 0);
    images[QStringLiteral("create-project")] = create;

    QImage newDocument = FilePage();
    Overlay(newDocument, Sparkle(), 11, 0);
    images[QStringLiteral("new")] = newDocument;

    images[QStringLiteral("open")] = OpenFolder();
    images[QStringLiteral("save")] = Floppy();
    images[QStringLiteral("delete")] = TrashCan();

    QImage projectState = StackedFolders();
    Overlay(projectState, MiniTick('r', 'R'), 8, 0);
    images[QStringLiteral("project-state")] = projectState;

    QImage fileState = FilePage();
    Overlay(fileState, MiniTick('n', 'N'), 8, 8);
    images[QStringLiteral("file-state")] = fileState;

    QImage import = Empty16();
    Overlay(import, SmallFolder(), 0, 7);
    Overlay(import, Arrow(false, 'n', 'N'), 1, 0);
    images[QStringLiteral("import")] = import;

    QImage exportImage = Empty16();
    Overlay(exportImage, SmallFolder(), 0, 7);
    Overlay(exportImage, Arrow(true, 'r', 'R'), 1, 0);
    images[QStringLiteral("export")] = exportImage;

    images[QStringLiteral("compare-text")] = TwoPages(false);
    images[QStringLiteral("compare-binary")] = TwoPages(true);
    return images;
}

// ---- program icon -----------------------------------------------------------
// The design on a 64-unit square: the project folder (amber) and the target
// folder (blue) side by side, with an arrow to the right (export) and an arrow
// to the left (import) above them.

struct Shape
{
    QPolygonF points;
    QColor fill;
    QColor stroke;
};

QPolygonF FolderBack(double x, double y, double w, double h)
{
    const double tab = w * 0.42;
    return QPolygonF({{x, y + h}, {x, y + 2}, {x + 2, y}, {x + tab - 2, y}, {x + tab + 2, y + 5}, {x + w - 2, y + 5},
        {x + w, y + 7}, {x + w, y + h}});
}

QPolygonF FolderFront(double x, double y, double w, double h)
{
    return QPolygonF({{x, y + h}, {x + 1.5, y + 12}, {x + 4, y + 10}, {x + w + 2, y + 10}, {x + w, y + h}});
}

QPolygonF ArrowShape(double left, double right, double centre, double half, double head, bool pointsRight)
{
    const double shaft = half * 0.45;
    if (pointsRight)
        return QPolygonF({{left, centre - shaft}, {right - head, centre - shaft}, {right - head, centre - half},
            {right, centre}, {right - head, centre + half}, {right - head, centre + shaft}, {left, centre + shaft}});
    return QPolygonF({{right, centre - shaft}, {left + head, centre - shaft}, {left + head, centre - half},
        {left, centre}, {left + head, centre + half}, {left + head, centre + shaft}, {right, centre + shaft}});
}

std::vector<Shape> IconShapes()
{
    const QColor amberBack(0xe8, 0xa8, 0x20), amberFront(0xff, 0xd2, 0x5c), amberLine(0x7a, 0x55, 0x0c);
    const QColor blueBack(0x2f, 0x6c, 0xc8), blueFront(0x6c, 0xa4, 0xf0), blueLine(0x14, 0x3a, 0x78);
    const QColor red(0xe0, 0x45, 0x2b), redLine(0x84, 0x1c, 0x0e);
    const QColor green(0x2e, 0xaa, 0x4a), greenLine(0x12, 0x60, 0x24);
    return {
        {FolderBack(3, 30, 26, 28), amberBack, amberLine},
        {FolderFront(3, 30, 26, 28), amberFront, amberLine},
        {FolderBack(35, 30, 26, 28), blueBack, blueLine},
        {FolderFront(35, 30, 26, 28), blueFront, blueLine},
        {ArrowShape(8, 58, 9.5, 7.5, 11, true), red, redLine},
        {ArrowShape(6, 56, 23, 7.5, 11, false), green, greenLine},
    };
}

QImage RenderIcon(int size)
{
    QImage image = Blank(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    for (const Shape& shape : IconShapes()) {
        QPen pen(shape.stroke, 2.0);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(shape.fill);
        painter.drawPolygon(shape.points);
    }
    return image;
}

QString IconSvg()
{
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
        << "  <title>Pairwell</title>\n";
    for (const Shape& shape : IconShapes()) {
        out << "  <polygon points=\"";
        for (int i = 0; i < shape.points.size(); ++i)
            out << (i ? " " : "") << shape.points[i].x() << ',' << shape.points[i].y();
        out << "\" fill=\"" << shape.fill.name() << "\" stroke=\"" << shape.stroke.name()
            << "\" stroke-width=\"2\" stroke-linejoin=\"round\"/>\n";
    }
    out << "</svg>\n";
    return svg;
}

// A shape given by its inner pixels ('x'), outlined all around.
QImage Outlined(const std::vector<const char*>& mask, char fill, char outline)
{
    const int width = int(std::strlen(mask.front()));
    return Raster(
        width, int(mask.size()), [&](double x, double y) { return mask[size_t(y)][size_t(x)] == 'x'; }, fill, outline);
}

// The 16-pixel icon is drawn on the pixel grid: at that size the vector
// design would blur.
QImage Icon16()
{
    // clang-format off
    QImage image = Empty16();
    Overlay(image, Outlined({"................",
                             "..........xx....",
                             "..xxxxxxxxxxx...",
                             "..........xx....",
                             "................"}, 'r', 'R'), 0, 0);
    Overlay(image, Outlined({"................",
                             "....xx..........",
                             "...xxxxxxxxxxx..",
                             "....xx..........",
                             "................"}, 'n', 'N'), 0, 4);
    // clang-format on
    const QImage folder = FromArt({
        ".oo....",
        "oYYoooo",
        "oYYYYYo",
        "ooooooo",
        "olllllo",
        "oyyyyyo",
        "ooooooo",
    });
    Overlay(image, folder, 0, 9);
    const std::map<char, char> blue = {{'o', 'B'}, {'Y', 'b'}, {'y', 's'}, {'l', 'W'}};
    Overlay(image, Recolour(folder, blue), 9, 9);
    return image;
}

bool Save(const QImage& image, const QString& path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pictures <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out + QStringLiteral("/toolbar"));
    QDir().mkpath(out + QStringLiteral("/icons"));
    bool ok = true;

    const std::vector<QImage> strip = Strip();
    QImage stripImage = Blank(16 * int(strip.size()), 16);
    for (size_t i = 0; i < strip.size(); ++i)
        Overlay(stripImage, strip[i], 16 * int(i), 0);
    ok &= Save(stripImage, out + QStringLiteral("/strip.png"));
    ok &= Save(SortUp(), out + QStringLiteral("/sort-up.png"));
    ok &= Save(SortDown(), out + QStringLiteral("/sort-down.png"));

    for (const auto& [name, image] : Toolbar())
        ok &= Save(image, out + QStringLiteral("/toolbar/") + name + QStringLiteral(".png"));

    ok &= Save(Icon16(), out + QStringLiteral("/icons/pairwell-16.png"));
    for (int size : {22, 24, 32, 48, 64, 128, 256})
        ok &= Save(RenderIcon(size), out + QStringLiteral("/icons/pairwell-%1.png").arg(size));
    QFile svg(out + QStringLiteral("/icons/pairwell.svg"));
    ok &= svg.open(QIODevice::WriteOnly | QIODevice::Truncate) && svg.write(IconSvg().toUtf8()) > 0;
    return ok ? 0 : 1;
}
