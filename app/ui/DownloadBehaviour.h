#pragma once

#include <functional>
#include <memory>

namespace quorvane::app {

class DownloadWindow;
class MainListHost;

/// What the Download Window does: its creation handler (connect, log in,
/// list the remote directory) and its double-click handler (fetch the list
/// and install or discard it). The update flow supplies it; without one the
/// window opens with an empty listing and a double-click does nothing.
/// Both handlers may throw; the window shows the failure in the error box.
class DownloadBehaviour {
public:
    virtual ~DownloadBehaviour() = default;

    /// Runs once `window` is shown, from its modal run; the user may close
    /// the window meanwhile (FormClose).
    virtual void FormCreate(DownloadWindow& window) = 0;

    /// A double-click anywhere in `window`'s list box.
    virtual void ListDblClick(DownloadWindow& window) = 0;

    /// `window` is being closed by the user, possibly while a handler still
    /// waits for the network (the anti-freeze runs this one meanwhile).
    virtual void FormClose(DownloadWindow&) {}
};

/// Builds the behaviour of a Download Window being created for `host`
/// (whose status bar and list state the behaviour may use). May return null.
/// Whoever creates the window hands it one: the Main Window the one it was
/// given, tests their own.
using DownloadBehaviourFactory = std::function<std::unique_ptr<DownloadBehaviour>(MainListHost& host)>;

} // namespace quorvane::app
