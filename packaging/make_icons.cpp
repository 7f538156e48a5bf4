// Draws the program's icon at the sizes desktops look for, from the same painting as the splash
// window's logo, into <folder>/hicolor/<N>x<N>/apps/<name>.png.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/log_splash/splash_logo.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: make_icons FOLDER NAME\n", stderr);
        return 2;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) ||
            !PaintSplashLogo(size).save(folder + QLatin1Char('/') + QString::fromLocal8Bit(argv[2]) + ".png")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
