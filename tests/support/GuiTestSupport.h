#pragma once

#include "gui/widgets/UiServices.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

namespace cravent::test {

// Records every message instead of showing a box.
class RecordingMessages final : public gui::Messages {
public:
    void show(QWidget*, const QString& text, Icon icon) override
    {
        texts.push_back(text);
        icons.push_back(icon);
    }
    // Records the question and answers from `answers`, "No" when they run out.
    bool ask(QWidget*, const QString& text) override
    {
        questions.push_back(text);
        return !answers.empty() && answers.takeFirst();
    }
    QStringList texts;
    std::vector<Icon> icons;
    QStringList questions;
    QList<bool> answers;
};

// Answers folder and file questions from a script; an empty script answers "cancelled".
class ScriptedChoosers final : public gui::Choosers {
public:
    std::optional<QString> chooseFolder(QWidget*, const QString& title, const QString& root,
                                        const QString& preselect) override
    {
        lastTitle = title;
        lastRoot = root;
        lastPreselect = preselect;
        return next(folders);
    }
    std::optional<QString> chooseOpenFile(QWidget*, const QString& folder,
                                          const QStringList& filters) override
    {
        lastFolder = folder;
        lastFilters = filters;
        return next(files);
    }

    std::optional<QString> chooseSaveFile(QWidget*, const QString& suggested, const QString&) override
    {
        lastSuggested = suggested;
        return next(saveFiles);
    }

    // A null QString in a script answers "cancelled".
    QStringList folders;
    QStringList files;
    QStringList saveFiles;
    QString lastSuggested;
    QString lastTitle, lastRoot, lastPreselect, lastFolder;
    QStringList lastFilters;

private:
    static std::optional<QString> next(QStringList& queue)
    {
        const QString answer = queue.isEmpty() ? QString() : queue.takeFirst();
        if (answer.isNull())
            return std::nullopt;
        return std::optional<QString>(std::in_place, answer);
    }
};

struct TestUi {
    RecordingMessages messages;
    ScriptedChoosers choosers;
    gui::UiServices services{messages, choosers};
};

// Runs `action` on the next modal dialog that opens (from inside its event loop), so that a
// test can drive a dialog shown with exec() without blocking. The dialog is passed in.
//
// The watch looks only while it lives, so an action meant for one step never fires into a later
// step or test. A dialog that has not opened when the watch goes, or within the deadline, fails
// the test; the deadline only decides when to give up on it.
class [[nodiscard]] ModalWatch {
public:
    static constexpr std::chrono::seconds Deadline{30};

    explicit ModalWatch(std::function<void(QDialog*)> action)
        : end_(std::chrono::steady_clock::now() + Deadline)
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, action = std::move(action)] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                timer_.stop();
                opened_ = true;
                action(dialog);
            } else if (std::chrono::steady_clock::now() > end_) {
                timer_.stop();
                ADD_FAILURE() << "no modal dialog opened within " << Deadline.count() << " s";
            }
        });
        timer_.start();
    }
    ~ModalWatch()
    {
        if (timer_.isActive())
            ADD_FAILURE() << "the modal dialog the test waited for never opened";
    }
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;

    // Whether the dialog opened and the action ran (or runs now).
    bool opened() const { return opened_; }

private:
    QTimer timer_;
    std::chrono::steady_clock::time_point end_;
    bool opened_ = false;
};

inline ModalWatch whenModalOpens(std::function<void(QDialog*)> action)
{
    return ModalWatch(std::move(action));
}

} // namespace cravent::test
