// The program's pictures: each is drawn on a transparent ground in its own
// colour, no two alike, with the features that tell it apart where a user
// looks for them at 16 pixels, and the faces are their own mirror images. A
// contact sheet (pictures.png beside this test program) shows them at 16
// pixels, magnified eight times, and at 48 pixels.

#include "Pictures.h"

#include <QPainter>
#include <QtTest>

namespace {

struct Picture {
    PictureList list;
    int index;
};

const Picture kPictures[] = {
    {PictureList::Small, 0}, {PictureList::Small, 1}, {PictureList::Small, 2}, {PictureList::Small, 3},
    {PictureList::Small, 4}, {PictureList::Small, 5}, {PictureList::Small, 6}, {PictureList::Small, 7},
    {PictureList::Small, 8}, {PictureList::State, 0}, {PictureList::State, 1},
};

// The hue (0-359, in 30-degree steps) shared by most of the picture's
// strongly coloured pixels; -1 when it has none (white, grey and black only).
int mainHue(const QImage& image)
{
    std::map<int, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && c.hsvSaturation() > 120 && c.value() > 90)
                ++counts[((c.hsvHue() + 15) / 30 % 12) * 30];
        }
    int best = -1;
    int bestCount = 0;
    for (const auto& [hue, count] : counts)
        if (count > bestCount) {
            best = hue;
            bestCount = count;
        }
    return best;
}

// What a pixel looks like to a user: '.' background (not opaque), '#' black,
// 'w' white, 'g' grey, 'p' dark purple, or the hue: 'r' red, 'o' orange,
// 'y' yellow, 'G' green, 'b' blue, 'm' magenta.
char look(const QColor& c)
{
    if (c.alpha() < 200)
        return '.';
    if (c.value() < 60)
        return '#';
    if (c.hsvSaturation() < 40)
        return c.value() > 220 ? 'w' : 'g';
    const int h = c.hsvHue();
    if (h >= 270 && h <= 330 && c.value() < 130)
        return 'p';
    if (h < 20 || h >= 340)
        return 'r';
    if (h < 45)
        return 'o';
    if (h < 75)
        return 'y';
    if (h < 165)
        return 'G';
    if (h < 265)
        return 'b';
    return 'm';
}

// The picture at 16 pixels as rows of looks, for messages.
QString looks(const QImage& image)
{
    QString rows;
    for (int y = 0; y < image.height(); ++y) {
        rows += QLatin1Char('\n');
        for (int x = 0; x < image.width(); ++x)
            rows += QLatin1Char(look(image.pixelColor(x, y)));
    }
    return rows;
}

QPolygon area(int left, int top, int width, int height)
{
    QPolygon points;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            points << QPoint(x, y);
    return points;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void contactSheet();
    void drawnOnTransparentGround_data();
    void drawnOnTransparentGround();
    void mainColour_data();
    void mainColour();
    void features_data();
    void features();
    void mirrorImages_data();
    void mirrorImages();
    void noTwoAlike();
    void iconsCarryLargerRenditions();
    void iconsAnswerAsAllRenditionsWould_data();
    void iconsAnswerAsAllRenditionsWould();
    void unknownIndexIsBlank();
};

void TestPictures::contactSheet()
{
    const int zoom = 8;
    const int cell = 16 * zoom + 8;
    QImage sheet(cell * int(std::size(kPictures)), 16 + 4 + cell + 52, QImage::Format_ARGB32);
    sheet.fill(QColor(212, 208, 200)); // the button-face colour the pictures sit on
    QPainter painter(&sheet);
    for (int i = 0; i < int(std::size(kPictures)); ++i) {
        const QPixmap small = RenderPicture(kPictures[i].list, kPictures[i].index, 16);
        painter.drawPixmap(i * cell + 4, 0, small);
        painter.drawPixmap(i * cell + 4, 20, small.scaled(16 * zoom, 16 * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        painter.drawPixmap(i * cell + 4, 20 + cell, RenderPicture(kPictures[i].list, kPictures[i].index, 48));
    }
    painter.end();
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/pictures.png");
    QVERIFY(sheet.save(path));
    qInfo("contact sheet: %s", qPrintable(path));

    // Read back, each cell shows its own picture: the 16-pixel one at the top
    // unchanged wherever it is opaque, the magnified one in the same colour.
    const QImage saved = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(saved.size(), sheet.size());
    for (int i = 0; i < int(std::size(kPictures)); ++i) {
        const QImage picture = RenderPicture(kPictures[i].list, kPictures[i].index, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (qAlpha(picture.pixel(x, y)) == 255)
                    QCOMPARE(saved.pixel(i * cell + 4 + x, y), picture.pixel(x, y));
        QCOMPARE(mainHue(saved.copy(i * cell + 4, 20, 16 * zoom, 16 * zoom)), mainHue(picture));
    }
}

void TestPictures::drawnOnTransparentGround_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("size");
    for (int i = 0; i < int(std::size(kPictures)); ++i)
        for (const int size : {16, 32, 48}) {
            const char* list = kPictures[i].list == PictureList::Small ? "small" : "state";
            QTest::addRow("%s %d at %d px", list, kPictures[i].index, size) << i << size;
        }
}

void TestPictures::drawnOnTransparentGround()
{
    QFETCH(int, picture);
    QFETCH(int, size);
    const QImage image = RenderPicture(kPictures[picture].list, kPictures[picture].index, size).toImage();
    QCOMPARE(image.size(), QSize(size, size));
    const int last = size - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
        QCOMPARE(image.pixelColor(corner).alpha(), 0);
    int opaque = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            opaque += image.pixelColor(x, y).alpha() > 128;
    // Something a user can make out, not a speck.
    QVERIFY2(opaque >= size * size / 5, qPrintable(QStringLiteral("%1 opaque pixels").arg(opaque)));
}

void TestPictures::mainColour_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("hue");
    QTest::newRow("neutral face is green") << 0 << 120;
    QTest::newRow("friendly face is yellow") << 1 << 60;
    QTest::newRow("hostile face is red") << 2 << 0;
    QTest::newRow("loathed face is blue") << 3 << 225;
    QTest::newRow("female sign is red") << 4 << 0;
    QTest::newRow("male sign is blue") << 5 << 225;
    QTest::newRow("refresh arrow is red") << 6 << 0;
    QTest::newRow("pencil is yellow") << 7 << 60;
    QTest::newRow("dart is magenta") << 8 << 300;
    QTest::newRow("unlit bulb has no colour") << 9 << -1;
    QTest::newRow("lit bulb is yellow") << 10 << 60;
}

void TestPictures::mainColour()
{
    QFETCH(int, picture);
    QFETCH(int, hue);
    const int found = mainHue(RenderPicture(kPictures[picture].list, kPictures[picture].index, 16).toImage());
    if (hue < 0 || found < 0) {
        QCOMPARE(found, hue);
        return;
    }
    const int apart = std::abs(found - hue) % 360;
    QVERIFY2(std::min(apart, 360 - apart) <= 30, qPrintable(QStringLiteral("hue %1").arg(found)));
}

void TestPictures::features_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<QPolygon>("pixels");
    QTest::addColumn<QString>("look");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");
    const auto some = [](const char* name, int picture, const QPolygon& pixels, const char* look, int least, int most) {
        QTest::newRow(name) << picture << pixels << QString::fromLatin1(look) << least << most;
    };
    // Faces, 16 x 16, their features running through pixel centres.
    some("neutral face: flat brows", 0, area(4, 4, 3, 1) + area(9, 4, 3, 1), "#", 6, 6);
    some("neutral face: straight mouth", 0, area(5, 10, 6, 1), "#", 6, 6);
    some("neutral face: green", 0, area(0, 0, 16, 16), "G", 80, 256);
    some("friendly face: brows above the eyes", 1, area(4, 3, 8, 2), "#", 4, 16);
    some("friendly face: smile lowest in the middle", 1, area(6, 11, 4, 1), "#", 4, 4);
    some("friendly face: smile corners raised", 1, QPolygon({QPoint(4, 9), QPoint(11, 9)}), "#", 2, 2);
    some("hostile face: brows lowest at the middle", 2, QPolygon({QPoint(6, 5), QPoint(9, 5)}), "#", 2, 2);
    some("hostile face: brows highest at the sides", 2, QPolygon({QPoint(4, 4), QPoint(11, 4)}), "#", 2, 2);
    some("hostile face: frown highest in the middle", 2, area(6, 10, 4, 1), "#", 4, 4);
    some("hostile face: frown corners lowered", 2, QPolygon({QPoint(4, 12), QPoint(11, 12)}), "#", 2, 2);
    some("loathed face: cross eyes inked at the corners", 3,
         QPolygon({QPoint(4, 5), QPoint(6, 5), QPoint(4, 7), QPoint(6, 7), QPoint(9, 5), QPoint(11, 5), QPoint(9, 7), QPoint(11, 7)}), "#",
         8, 8);
    some("loathed face: cross eyes open at the sides", 3,
         QPolygon({QPoint(5, 5), QPoint(4, 6), QPoint(6, 6), QPoint(5, 7), QPoint(10, 5), QPoint(9, 6), QPoint(11, 6), QPoint(10, 7)}), "#",
         0, 0);
    // Signs and tools.
    some("female sign: ring on top", 4, area(3, 1, 10, 9), "r", 16, 100);
    some("female sign: ring open in the middle", 4, area(7, 4, 2, 3), ".", 6, 6);
    some("female sign: cross bar below", 4, area(5, 12, 6, 1), "r", 6, 6);
    some("male sign: ring at the lower left", 5, area(1, 6, 9, 9), "b", 15, 81);
    some("male sign: arrow head at the upper right", 5, area(10, 1, 5, 3), "b", 10, 15);
    some("male sign: nothing at the upper left", 5, area(0, 0, 8, 4), ".", 32, 32);
    some("refresh: exclamation mark's stroke", 6, area(7, 4, 2, 5), "#", 10, 10);
    some("refresh: exclamation mark's dot", 6, area(7, 10, 2, 2), "#", 4, 4);
    some("refresh: exclamation mark's gap", 6, area(7, 9, 2, 1), "#", 0, 0);
    some("refresh: arrow head at the upper right", 6, area(11, 1, 4, 4), "r", 6, 16);
    some("refresh: ring open at the right", 6, area(10, 5, 6, 3), "r", 0, 0);
    some("refresh: ring round the left", 6, area(0, 4, 4, 8), "r", 10, 32);
    some("pencil: red end at the lower left", 7, area(1, 9, 5, 5), "r", 6, 25);
    some("pencil: black crumbs below", 7, area(0, 13, 7, 3), "#", 3, 21);
    some("pencil: yellow body across the middle", 7, area(5, 3, 8, 8), "y", 20, 64);
    some("pencil: no red at the upper right", 7, area(9, 0, 7, 6), "r", 0, 0);
    some("dart: magenta point at the top", 8, area(7, 1, 4, 4), "m", 2, 16);
    some("dart: shading on the right", 8, area(9, 4, 6, 10), "p", 8, 60);
    some("dart: no shading on the left", 8, area(0, 0, 7, 16), "p", 0, 2);
    some("dart: tail at the lower left", 8, area(1, 12, 4, 4), "m", 1, 16);
    // Bulbs.
    some("unlit bulb: white glass", 9, area(5, 3, 6, 5), "w", 10, 30);
    some("unlit bulb: grey filament", 9, area(6, 6, 4, 3), "g", 4, 12);
    some("unlit bulb: no yellow", 9, area(0, 0, 16, 16), "y", 0, 0);
    some("lit bulb: yellow glass", 10, area(5, 3, 6, 5), "y", 20, 30);
    some("lit bulb: rays at the upper left", 10, area(0, 2, 3, 3), "y", 2, 9);
    some("lit bulb: rays at the upper right", 10, area(13, 2, 3, 3), "y", 2, 9);
    some("lit bulb: rays at the lower left", 10, area(0, 7, 3, 3), "y", 2, 9);
    some("lit bulb: rays at the lower right", 10, area(13, 7, 3, 3), "y", 2, 9);
}

void TestPictures::features()
{
    QFETCH(int, picture);
    QFETCH(QPolygon, pixels);
    QFETCH(QString, look);
    QFETCH(int, least);
    QFETCH(int, most);
    const QImage image = RenderPicture(kPictures[picture].list, kPictures[picture].index, 16).toImage();
    int count = 0;
    for (const QPoint& p : pixels)
        count += look == QLatin1Char(::look(image.pixelColor(p)));
    QVERIFY2(count >= least && count <= most, qPrintable(QStringLiteral("%1 of them%2").arg(count).arg(looks(image))));
}

void TestPictures::mirrorImages_data()
{
    QTest::addColumn<int>("picture");
    QTest::newRow("neutral face") << 0;
    QTest::newRow("friendly face") << 1;
    QTest::newRow("hostile face") << 2;
    QTest::newRow("loathed face") << 3;
    QTest::newRow("unlit bulb") << 9;
    QTest::newRow("lit bulb") << 10;
}

// Left and right halves alike, pixel for pixel as a user sees them.
void TestPictures::mirrorImages()
{
    QFETCH(int, picture);
    const QImage image = RenderPicture(kPictures[picture].list, kPictures[picture].index, 16).toImage();
    int differ = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            differ += look(image.pixelColor(x, y)) != look(image.pixelColor(15 - x, y));
    QVERIFY2(differ == 0, qPrintable(QStringLiteral("%1 pixels differ from their mirror image%2").arg(differ).arg(looks(image))));
}

void TestPictures::noTwoAlike()
{
    std::vector<QImage> images;
    for (const Picture& picture : kPictures)
        images.push_back(RenderPicture(picture.list, picture.index, 16).toImage());
    for (size_t i = 0; i < images.size(); ++i)
        for (size_t j = i + 1; j < images.size(); ++j)
            QVERIFY2(images[i] != images[j], qPrintable(QStringLiteral("pictures %1 and %2").arg(i).arg(j)));
}

void TestPictures::iconsCarryLargerRenditions()
{
    // A screen at twice the density takes the 32-pixel rendition, not a
    // blown-up 16-pixel one.
    for (const QIcon& icon : {SmallImage(0), StateImage(1), ProgramIcon()}) {
        const QList<QSize> sizes = icon.availableSizes();
        for (const int size : {16, 32, 48})
            QVERIFY(sizes.contains(QSize(size, size)));
    }
    QCOMPARE(ProgramIcon().pixmap(16).toImage(), RenderPicture(PictureList::Small, 8, 16).toImage());
}

// The icons draw their renditions only when wanted; every answer must still
// be the one of an icon that holds all of them from the start.
void TestPictures::iconsAnswerAsAllRenditionsWould_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QIcon::Mode>("mode");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("16, normal") << 16 << QIcon::Normal << 1.0;
    QTest::newRow("smaller than any rendition") << 12 << QIcon::Normal << 1.0;
    QTest::newRow("between two renditions") << 20 << QIcon::Normal << 1.0;
    QTest::newRow("32") << 32 << QIcon::Normal << 1.0;
    QTest::newRow("larger than any rendition") << 64 << QIcon::Normal << 1.0;
    QTest::newRow("disabled") << 16 << QIcon::Disabled << 1.0;
    QTest::newRow("selected") << 16 << QIcon::Selected << 1.0;
    QTest::newRow("active") << 16 << QIcon::Active << 1.0;
    QTest::newRow("16 at twice the density") << 16 << QIcon::Normal << 2.0;
    QTest::newRow("disabled at twice the density") << 16 << QIcon::Disabled << 2.0;
    QTest::newRow("16 at one and a half") << 16 << QIcon::Normal << 1.5;
}

void TestPictures::iconsAnswerAsAllRenditionsWould()
{
    QFETCH(int, size);
    QFETCH(QIcon::Mode, mode);
    QFETCH(qreal, ratio);
    for (const Picture& picture : kPictures) {
        QIcon expected;
        for (const int rendition : {16, 32, 48})
            expected.addPixmap(RenderPicture(picture.list, picture.index, rendition));
        const QIcon icon = picture.list == PictureList::Small ? SmallImage(picture.index) : StateImage(picture.index);
        const QSize wanted(size, size);
        QCOMPARE(icon.actualSize(wanted, mode), expected.actualSize(wanted, mode));
        QCOMPARE(icon.pixmap(wanted, ratio, mode).toImage(), expected.pixmap(wanted, ratio, mode).toImage());
        // As a widget paints it, on a surface of that density.
        const auto painted = [&](const QIcon& i) {
            QImage surface(QSize(size, size) * ratio, QImage::Format_ARGB32_Premultiplied);
            surface.setDevicePixelRatio(ratio);
            surface.fill(Qt::transparent);
            QPainter painter(&surface);
            i.paint(&painter, QRect(0, 0, size, size), Qt::AlignCenter, mode);
            return surface;
        };
        QCOMPARE(painted(icon), painted(expected));
    }
}

void TestPictures::unknownIndexIsBlank()
{
    const QImage image = RenderPicture(PictureList::Small, kSmallImageCount, 16).toImage();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(image.pixelColor(x, y).alpha(), 0);
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
