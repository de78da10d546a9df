#pragma once

#include "app/ui/Asker.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QString>

#include <cstdio>
#include <deque>
#include <functional>
#include <vector>

namespace quorvane::app::test {

/// An Asker for tests: questions take the answers queued with
/// setNextAnswer() (an unexpected question is recorded and answered with
/// the close box's 2), error boxes are recorded instead of shown, and a
/// modal run shows the window, lets it run what it queued on being shown
/// (the Download Window connects then), calls the queued callback on the
/// window, then hides it and ends.
/// Installed for its lifetime.
class ScriptedAsker : public Asker {
public:
    struct Question {
        QString text;
        MsgDlgType type;
        MsgDlgButtons buttons;
        bool answered;
    };

    ScriptedAsker() { previous_ = Asker::install(this); }
    ~ScriptedAsker() override { Asker::install(previous_); }
    ScriptedAsker(const ScriptedAsker&) = delete;
    ScriptedAsker& operator=(const ScriptedAsker&) = delete;

    void setNextAnswer(int result) { answers_.push_back(result); }
    /// What the next modal run does with its window (default: nothing).
    void setNextModalRun(std::function<void(QDialog&)> run) { runs_.push_back(std::move(run)); }

    int question(const QString& text, MsgDlgType type, MsgDlgButtons buttons) override
    {
        const bool answered = !answers_.empty();
        questions.push_back({text, type, buttons, answered});
        if (!answered)
            return MrCancel;
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    void showError(const QString& text) override
    {
        // Echoed, so a failing test's log tells what went wrong.
        std::fprintf(stderr, "[error box] %s\n", text.toUtf8().constData());
        errors.push_back(text);
    }

    int runModal(QDialog& window) override
    {
        modalRuns.push_back(window.objectName());
        window.setResult(0);
        window.show();
        QCoreApplication::sendPostedEvents(&window, QEvent::MetaCall);
        if (!runs_.empty()) {
            auto run = std::move(runs_.front());
            runs_.pop_front();
            run(window);
        }
        const int result = window.result();
        window.hide();
        return result;
    }

    bool allAnswersUsed() const { return answers_.empty(); }

    std::vector<Question> questions;
    std::vector<QString> errors;
    std::vector<QString> modalRuns;

private:
    Asker* previous_ = nullptr;
    std::deque<int> answers_;
    std::deque<std::function<void(QDialog&)>> runs_;
};

} // namespace quorvane::app::test
