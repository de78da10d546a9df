#pragma once

#include "app/update/FtpServer.h"

#include <functional>

class QWidget;

namespace quorvane::app {

class MainList;

/// "Send to List Keepers...": sends the saved Custom List file, never the
/// editor's unsaved rows. With unsaved rows it first offers to save them (as
/// "Save List" does); without a Custom List file it says so. The file is
/// checked, then previewed (server, records, size, the nicks going along), and
/// only "Send" sends it, in the sending window.
class SendListFlow {
public:
    /// Whether the editor holds rows that are not in the file, and how to save
    /// them: true when they were saved.
    struct UnsavedRows {
        bool present = false;
        std::function<bool()> save;
    };

    /// `list` names the folder of the Custom List and of the sending log;
    /// `updateServer` is the update server in use, whose incoming folder takes
    /// the list unless the settings name a submit server. The dialogs are
    /// placed over `parent`.
    SendListFlow(const MainList& list, FtpServer updateServer, QWidget* parent);

    /// Runs the whole flow; the dialogs and windows are modal, and a failure
    /// throws into the caller's guard.
    void Run(const UnsavedRows& unsaved);

private:
    const MainList& list_;
    FtpServer updateServer_;
    QWidget* parent_;
};

} // namespace quorvane::app
