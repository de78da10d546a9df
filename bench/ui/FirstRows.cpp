// The list on screen at start-up, as a user waits for it: the whole program,
// started in a folder that holds "gcmList.xml", up to the first paint of the
// Main Window's list view, which by then holds the Main List sorted by name,
// with its counts in the status bar.
//
//   QT_QPA_PLATFORM=offscreen quorvane_first_rows
//
// scripts/bench-ratios runs it as a process of its own and takes its CPU time
// from exec to exit as wait4 reports it. It starts as app/main.cpp does and
// ends with _Exit as soon as the repaint that first painted the list view is
// over, so neither later work of the event loop nor freeing the list is
// counted. It prints the List Summary and the number of rows, which the
// script checks.

#include "app/settings/UpdateServerSetting.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SortedListView.h"
#include "app/ui/UpdateBehaviour.h"
#include "app/ui/WindowLayout.h"
#include "xml/PlatformVendor.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

using quorvane::app::MainWindow;

/// Ends the process once the first paint of `window`'s list view is done.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(MainWindow& window) : window_(window) { window.List->viewport()->installEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            // Queued, so it runs once this repaint (status bar included) is over.
            QMetaObject::invokeMethod(this, &FirstPaint::Finish, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void Finish()
    {
        std::printf("%s\nrows %d\n", window_.StatusText().toUtf8().constData(), window_.List->rows().size());
        std::fflush(stdout);
        std::_Exit(0);
    }

    MainWindow& window_;
    bool painted_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(quorvane::app::ErrorBox::title());
    quorvane::xml::InitParser();
    const quorvane::app::UpdateServerChoice server = quorvane::app::UpdateServerSetting::Choose(
        {}, [](const std::exception& e) { quorvane::app::ErrorBox::show(e); });

    MainWindow mainWindow(QString(), quorvane::app::UpdateBehaviour::factory(), server,
                          quorvane::app::WindowLayout::Start::Saved);
    mainWindow.aboutWindow();
    FirstPaint firstPaint(mainWindow);
    mainWindow.show();
    // A platform that never paints must not hold the measurement up for ever.
    QTimer::singleShot(120000, [] {
        std::fprintf(stderr, "quorvane_first_rows: the list view was never painted\n");
        std::_Exit(1);
    });
    return app.exec();
}
