#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quorvane::app {

/// "About ZUR Urediz...": credits, greetings and a note on the list. Created
/// once at start-up, hidden, and shown modelessly by "Erm, this."; "Okay!"
/// hides it again. The window lives for the whole run.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    /// `mainWindow` is the window it is centred on (not owned; may be null).
    explicit AboutWindow(QWidget* mainWindow = nullptr);

    /// Shows the window modelessly, centred on the main window, and brings
    /// it to the front; a window already shown is only raised.
    void ShowModeless();

    /// Handler of "Okay!": hides the window.
    void Button1Click();

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    /// Escape, Return and Enter close the window as "Okay!" does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* mainWindow_;
};

} // namespace quorvane::app
