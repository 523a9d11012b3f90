#include "gui/widgets/FolderBrowser.h"

#include "gui/widgets/OkCancelRow.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"

#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeView>
#include <QVBoxLayout>

namespace cravent::gui {

FolderBrowser::FolderBrowser(const QString& title, const QString& root, const QString& preselect,
                             QWidget* parent)
    : QDialog(parent)
    , model_(new QFileSystemModel(this))
    , tree_(new QTreeView(this))
    , root_(root)
{
    setWindowTitle(title);
    theme::apply(this);
    resize(360, 320);

    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(root);
    tree_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->header()->hide();
    // The root itself is offered as the first item, its subfolders below it.
    tree_->setRootIndex(model_->index(root).parent());
    const QModelIndex rootIndex = model_->index(root);
    for (int row = 0; row < model_->rowCount(tree_->rootIndex()); ++row) {
        const QModelIndex sibling = model_->index(row, 0, tree_->rootIndex());
        tree_->setRowHidden(row, tree_->rootIndex(), sibling != rootIndex);
    }
    tree_->expand(rootIndex);
    const QModelIndex start = model_->index(preselect.isEmpty() ? root : preselect);
    tree_->setCurrentIndex(start.isValid() ? start : rootIndex);
    tree_->scrollTo(tree_->currentIndex());

    const OkCancelRow buttons = okCancelRow(this);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(tree_, &QTreeView::doubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    layout->addLayout(buttons.layout);
    tree_->setFocus();
}

QString FolderBrowser::selectedFolder() const
{
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? model_->filePath(current) : root_;
}

} // namespace cravent::gui
