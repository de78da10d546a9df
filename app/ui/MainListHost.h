#pragma once

#include "app/list/MainList.h"
#include "app/list/StatusSink.h"
#include "app/settings/UpdateServerSetting.h"

class QWidget;

namespace quorvane::app {

/// What a window opened from the Main Window may ask of it: the Main List
/// (its folder, version and state) to read, a reload once a new list is in
/// place, and the texts of its status bar. The Download, Changes and keepers'
/// windows take this rather than the whole Main Window, so each knows only
/// the little it uses and tests can see what that is.
class MainListHost : public StatusSink {
public:
    /// The Main List as loaded; it changes only through ReloadMainList.
    virtual const MainList& ListLogic() const = 0;
    /// Loads "gcmList.xml" afresh and shows it; throws, keeping the list that
    /// was shown, when the new one cannot be loaded.
    virtual void ReloadMainList() = 0;
    /// A note in the message panel beside the List Summary, for a while.
    virtual void ShowPassingMessage(const QString& text) = 0;
    /// The server the next update check uses.
    virtual const UpdateServerChoice& UpdateServer() const = 0;
    /// The window a dialog opened from the host is placed over.
    virtual const QWidget& OwnerWindow() const = 0;
};

} // namespace quorvane::app
