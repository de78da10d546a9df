#include "app/ui/WindowLayout.h"

#include "app/settings/SettingsKeys.h"
#include "app/settings/UserSettings.h"
#include "app/ui/SortedListView.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QRect>
#include <QScreen>
#include <QStringList>
#include <QTabWidget>
#include <QWidget>

#include <optional>
#include <vector>

namespace quorvane::app {

namespace {

/// Wider than any screen: a width beyond it is a damaged file, not a choice.
constexpr int kWidestColumn = 32767;

bool FitsOnAScreen(const QRect& geometry)
{
    if (!geometry.isValid())
        return false;
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().contains(geometry))
            return true;
    return false;
}

/// The widths stored for `view`, one per column, 0 for a column that fits
/// its contents; none when they are missing or do not fit its columns.
std::optional<std::vector<int>> StoredWidths(const QSettings& settings, const SortedListView& view)
{
    const QStringList texts = settings.value(settings::ColumnWidthsKey(view.objectName())).toStringList();
    if (texts.size() != view.model()->columnCount())
        return std::nullopt;
    std::vector<int> widths;
    for (const QString& text : texts) {
        bool number = false;
        const int width = text.trimmed().toInt(&number);
        if (!number || width < 0 || width > kWidestColumn)
            return std::nullopt;
        widths.push_back(width);
    }
    return widths;
}

} // namespace

void WindowLayout::Restore(QMainWindow& window, QTabWidget& pages)
{
    const auto settings = UserSettings::Open();
    const QRect geometry = settings->value(settings::kWindowGeometry).toRect();
    if (FitsOnAScreen(geometry)) {
        window.setGeometry(geometry);
        if (settings->value(settings::kWindowMaximized).toBool())
            window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }

    for (SortedListView* view : window.findChildren<SortedListView*>()) {
        if (const auto widths = StoredWidths(*settings, *view))
            view->RestoreChosenWidths(*widths);
    }

    bool number = false;
    const int page = settings->value(settings::kWindowPage).toInt(&number);
    if (number && page >= 0 && page < pages.count())
        pages.setCurrentIndex(page);
}

void WindowLayout::Save(const QMainWindow& window, const QTabWidget& pages)
{
    const auto settings = UserSettings::Open();
    settings->setValue(settings::kWindowGeometry, window.isMaximized() ? window.normalGeometry() : window.geometry());
    settings->setValue(settings::kWindowMaximized, window.isMaximized());
    settings->setValue(settings::kWindowPage, pages.currentIndex());
    for (const SortedListView* view : window.findChildren<SortedListView*>()) {
        if (view->objectName().isEmpty())
            continue;
        QStringList widths;
        for (const int width : view->ChosenWidths())
            widths << QString::number(width);
        settings->setValue(settings::ColumnWidthsKey(view->objectName()), widths);
    }
    UserSettings::Save(*settings);
}

void WindowLayout::RestoreGeometry(QWidget& window, const QString& group)
{
    const QRect geometry = UserSettings::Open()->value(settings::WindowGeometryKey(group)).toRect();
    if (FitsOnAScreen(geometry))
        window.setGeometry(geometry);
}

void WindowLayout::SaveGeometry(const QWidget& window, const QString& group)
{
    const auto settings = UserSettings::Open();
    settings->setValue(settings::WindowGeometryKey(group), window.normalGeometry());
    UserSettings::Save(*settings);
}

} // namespace quorvane::app
