// quorvane-render-icon DIR NAME SIZE...: writes the window icon as
// DIR/<SIZE>x<SIZE>/apps/NAME.png for each SIZE, the layout of an icon theme.
// A build step, never installed.
#include "app/ui/Images.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::cerr << "usage: quorvane-render-icon DIR NAME SIZE...\n";
        return 2;
    }
    QGuiApplication application(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = std::stoi(argv[i]);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !quorvane::app::Images::applicationPixmap(size).save(file, "PNG")) {
            std::cerr << "quorvane-render-icon: cannot write " << file.toStdString() << '\n';
            return 1;
        }
    }
    return 0;
}
