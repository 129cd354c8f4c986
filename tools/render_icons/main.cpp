// Renders the program icon as PNG files for the desktop's icon theme:
// render_icons OUTPUT_DIR writes OUTPUT_DIR/<size>/quorrix.png.

#include "Pictures.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2)
        return 2;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !RenderPicture(PictureList::Small, 8, size).save(dir + QStringLiteral("/quorrix.png")))
            return 1;
    }
    return 0;
}
