#pragma once

#include <QDialog>

class QFileSystemModel;
class QTreeView;

namespace cravent::gui {

// A folder picker that offers only `root` and the folders below it.
class FolderBrowser : public QDialog {
    Q_OBJECT
public:
    FolderBrowser(const QString& title, const QString& root, const QString& preselect,
                  QWidget* parent = nullptr);
    QString selectedFolder() const;

private:
    QFileSystemModel* model_;
    QTreeView* tree_;
    QString root_;
};

} // namespace cravent::gui
