#pragma once

#include "gui/widgets/UiServices.h"

namespace cravent::gui {

// The real message boxes and choosers of the desktop program.
class MessageBoxes final : public Messages {
public:
    void show(QWidget* parent, const QString& text, Icon icon) override;
    bool ask(QWidget* parent, const QString& text) override;
};

class SystemChoosers final : public Choosers {
public:
    std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& root,
                                        const QString& preselect) override;
    std::optional<QString> chooseOpenFile(QWidget* parent, const QString& folder,
                                          const QStringList& filters) override;
    std::optional<QString> chooseSaveFile(QWidget* parent, const QString& suggested,
                                          const QString& filter) override;
};

} // namespace cravent::gui
