#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace cravent::gui {

// Message boxes go through this interface so that tests read the texts instead of blocking on a
// modal box.
class Messages {
public:
    enum class Icon { None, Information, Warning, Error };
    virtual ~Messages() = default;
    virtual void show(QWidget* parent, const QString& text, Icon icon = Icon::None) = 0;
    // A question with "Yes" and "No"; true for "Yes".
    virtual bool ask(QWidget* parent, const QString& text) = 0;
};

// The folder browser and the file-open dialog, for the same reason.
class Choosers {
public:
    virtual ~Choosers() = default;
    // A folder at or below `root`, pre-selecting `preselect` when it is not empty.
    virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title,
                                                const QString& root, const QString& preselect) = 0;
    // A file to open; `filters` in Qt's "Name (*.ext)" form, the first one selected.
    virtual std::optional<QString> chooseOpenFile(QWidget* parent, const QString& folder,
                                                  const QStringList& filters) = 0;
    // A file to write, starting at `suggested`; a chooser that cannot ask answers "cancelled".
    virtual std::optional<QString> chooseSaveFile(QWidget* /*parent*/, const QString& /*suggested*/,
                                                  const QString& /*filter*/)
    {
        return std::nullopt;
    }
};

// What every window of the program is given.
struct UiServices {
    Messages& messages;
    Choosers& choosers;
};

} // namespace cravent::gui
