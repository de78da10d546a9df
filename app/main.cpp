#include "app/ui/ErrorBox.h"
#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QStringList>

namespace {

/// What the command line asks of the program. It has no options of its own
/// yet; Qt's own (-platform, -style, ...) are taken by QApplication.
struct StartupOptions {};

StartupOptions readOptions(const QStringList& arguments)
{
    static_cast<void>(arguments);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The title is the caption of the application error box.
    QApplication::setApplicationName(quorvane::app::ErrorBox::title());
    const StartupOptions options = readOptions(QApplication::arguments());
    static_cast<void>(options);

    // Creating the Main Window runs its start-up load; then the About Window
    // is created, hidden, for the rest of the run.
    quorvane::app::MainWindow mainWindow;
    mainWindow.aboutWindow();
    mainWindow.show();
    return app.exec();
}
