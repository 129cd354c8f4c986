// The program's pictures: each is drawn on a transparent ground in its own
// colour, no two alike, and a contact sheet (pictures.png beside this test
// program) shows them at 16 pixels, magnified eight times, and at 48 pixels.

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

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void contactSheet();
    void drawnOnTransparentGround_data();
    void drawnOnTransparentGround();
    void mainColour_data();
    void mainColour();
    void noTwoAlike();
    void iconsCarryLargerRenditions();
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

void TestPictures::unknownIndexIsBlank()
{
    const QImage image = RenderPicture(PictureList::Small, kSmallImageCount, 16).toImage();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(image.pixelColor(x, y).alpha(), 0);
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
