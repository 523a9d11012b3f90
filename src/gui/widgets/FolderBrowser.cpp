#include "gui/widgets/FolderBrowser.h"

#include "gui/widgets/OkCancelRow.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

// Passes the root, the folders below it, and the root's ancestors that lead the tree to it;
// every other folder, the root's siblings among them, is left out whenever the file-system
// model lists it, however late that is.
class BelowRoot : public QSortFilterProxyModel {
public:
    BelowRoot(const QString& root, QObject* parent)
        : QSortFilterProxyModel(parent)
        , root_(QDir::cleanPath(root))
    {
        setRecursiveFilteringEnabled(false);
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* files = static_cast<const QFileSystemModel*>(sourceModel());
        const QString path = QDir::cleanPath(files->filePath(files->index(row, 0, parent)));
        if (path == root_ || path.startsWith(root_ + QLatin1Char('/')))
            return true;
        const QString ancestor = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        return root_.startsWith(ancestor);
    }

private:
    QString root_;
};

} // namespace

FolderBrowser::FolderBrowser(const QString& title, const QString& root, const QString& preselect,
                             QWidget* parent)
    : QDialog(parent)
    , model_(new QFileSystemModel(this))
    , offered_(new BelowRoot(root, this))
    , tree_(new QTreeView(this))
    , root_(root)
{
    setWindowTitle(title);
    theme::apply(this);
    resize(360, 320);

    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(root);
    offered_->setSourceModel(model_);
    tree_->setModel(offered_);
    for (int column = 1; column < offered_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->header()->hide();
    // The root itself is offered as the first item, its subfolders below it.
    tree_->setRootIndex(offered_->mapFromSource(model_->index(root).parent()));
    const QModelIndex rootIndex = viewIndex(root);
    tree_->expand(rootIndex);
    const QModelIndex start = viewIndex(preselect.isEmpty() ? root : preselect);
    tree_->setCurrentIndex(start.isValid() ? start : rootIndex);
    tree_->scrollTo(tree_->currentIndex());

    const OkCancelRow buttons = okCancelRow(this);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(tree_, &QTreeView::doubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    layout->addLayout(buttons.layout);
    tree_->setFocus();
    centreOnScreen(this);
}

QModelIndex FolderBrowser::viewIndex(const QString& path) const
{
    return offered_->mapFromSource(model_->index(path));
}

QString FolderBrowser::selectedFolder() const
{
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? model_->filePath(offered_->mapToSource(current)) : root_;
}

} // namespace cravent::gui
