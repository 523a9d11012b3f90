#include "gui/widgets/SystemUi.h"

#include "gui/widgets/FolderBrowser.h"
#include "gui/widgets/Theme.h"

#include <QFileDialog>
#include <QMessageBox>

namespace cravent::gui {

void MessageBoxes::show(QWidget* parent, const QString& text, Icon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(theme::ApplicationTitle);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool MessageBoxes::ask(QWidget* parent, const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(theme::ApplicationTitle);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> SystemChoosers::chooseFolder(QWidget* parent, const QString& title,
                                                    const QString& root, const QString& preselect)
{
    FolderBrowser browser(title, root, preselect, parent);
    if (browser.exec() != QDialog::Accepted)
        return std::nullopt;
    return browser.selectedFolder();
}

std::optional<QString> SystemChoosers::chooseOpenFile(QWidget* parent, const QString& folder,
                                                      const QStringList& filters)
{
    const QString file =
        QFileDialog::getOpenFileName(parent, QString(), folder, filters.join(";;"));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QString> SystemChoosers::chooseSaveFile(QWidget* parent, const QString& suggested,
                                                      const QString& filter)
{
    const QString file = QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

} // namespace cravent::gui
