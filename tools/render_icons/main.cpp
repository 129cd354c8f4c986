// Renders the program icon as PNG files for the desktop's icon theme:
// render_icons OUTPUT_DIR NAME writes OUTPUT_DIR/<size>/apps/NAME.png.

#include "Pictures.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 3)
        return 2;
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !RenderPicture(PictureList::Small, 8, size).save(dir + QLatin1Char('/') + name + QStringLiteral(".png")))
            return 1;
    }
    return 0;
}
