#pragma once

#include "gui/widgets/UiServices.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

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
inline void whenModalOpens(std::function<void(QDialog*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start();
}

} // namespace cravent::test
