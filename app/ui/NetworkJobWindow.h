#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvane::app {

class AntiFreeze;

/// A network job run in a small window of its own (sending a Custom List,
/// the keepers' fetch and publish): once the window is on screen, with a
/// status line, a progress bar and "Cancel", the other windows repainting
/// meanwhile. "Cancel" (and the close
/// box, and Escape) calls the job's abort; the job then ends by an error,
/// which is not shown: the cancel is. At the end the status line shows the
/// job's outcome or its failure in words, and the button reads "Close".
class NetworkJobWindow : public QDialog {
    Q_OBJECT
public:
    /// What a job hears as it goes: status texts (UTF-8) and a progress in
    /// bytes of `total`.
    struct Report {
        std::function<void(const std::string&)> status;
        std::function<void(std::int64_t)> progress;
    };
    /// Runs the job and returns its outcome's text (UTF-8); raises its failure.
    using Job = std::function<std::string(const Report&)>;

    /// `total` is the progress bar's end in bytes (0: a busy bar); `cancelled`
    /// the status text a cancel ends with.
    NetworkJobWindow(const QString& title, Job job, std::function<void()> abort, std::int64_t total, QString cancelled,
                     QWidget* parent = nullptr);
    ~NetworkJobWindow() override;

    /// Runs the job (from the event loop once the window is first shown).
    void FormCreate();
    /// "Cancel" while the job runs, "Close" afterwards.
    void btnCancelClick();

    QString StatusText() const;
    bool Finished() const { return finished_; }
    /// Whether the job ran to its end without failing or being cancelled.
    bool Succeeded() const { return succeeded_; }
    /// Whether "Cancel" (or the close box) was used while the job ran.
    bool Cancelled() const { return cancelled_; }

    QLabel* lblStatus = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* btnCancel = nullptr;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Finish(const QString& text);

    Job job_;
    std::function<void()> abort_;
    QString cancelledText_;
    std::unique_ptr<AntiFreeze> antiFreeze_;
    bool queued_ = false;
    bool running_ = false;
    bool cancelled_ = false;
    bool finished_ = false;
    bool succeeded_ = false;
};

} // namespace quorvane::app
