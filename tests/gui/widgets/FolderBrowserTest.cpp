#include "gui/widgets/FolderBrowser.h"
#include "support/Keyboard.h"
#include "support/TempDir.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileSystemModel>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace cravent;
namespace fs = std::filesystem;

namespace {

// The folders the browser's tree shows: its top level and one level below, hidden rows left out.
QStringList shownFolders(const QTreeView& tree)
{
    QStringList shown;
    const QAbstractItemModel* model = tree.model();
    const QModelIndex top = tree.rootIndex();
    for (int row = 0; row < model->rowCount(top); ++row) {
        if (tree.isRowHidden(row, top))
            continue;
        const QModelIndex item = model->index(row, 0, top);
        shown << item.data(QFileSystemModel::FilePathRole).toString();
        for (int child = 0; child < model->rowCount(item); ++child)
            if (!tree.isRowHidden(child, item))
                shown << model->index(child, 0, item).data(QFileSystemModel::FilePathRole).toString();
    }
    shown.sort();
    return shown;
}

} // namespace

TEST(FolderBrowser, OffersOnlyTheRootAndItsFoldersOnceTheFileSystemIsListed)
{
    test::TempDir app;
    for (const char* folder : {"MASTER", "Archive", "PROJECTS/P1", "PROJECTS/P2/Sub"})
        fs::create_directories(app / folder);
    const QString root = QString::fromStdString((app / "PROJECTS").string());

    gui::FolderBrowser browser(QStringLiteral("Select directory of project"), root, QString());
    // The model lists folders in a thread of its own and says when a folder's list is complete:
    // the test looks once both the root's and its parent's (with the root's siblings) are in.
    auto* files = browser.findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    QStringList loaded;
    QObject::connect(files, &QFileSystemModel::directoryLoaded,
                     [&loaded](const QString& path) { loaded << QDir::cleanPath(path); });
    browser.show();
    auto* tree = browser.findChild<QTreeView*>();
    ASSERT_NE(tree, nullptr);
    const QStringList expected{root, root + "/P1", root + "/P2"};
    const QString parent = QString::fromStdString(app.path().string());
    ASSERT_TRUE(test::waitFor([&] { return loaded.contains(QDir::cleanPath(root)) &&
                                           loaded.contains(QDir::cleanPath(parent)); },
                              std::chrono::seconds(30)))
        << "listed: " << loaded.join(", ").toStdString();
    EXPECT_EQ(shownFolders(*tree), expected);

    // Going up from the root or to the first item never leaves it.
    tree->setFocus();
    for (const int key : {Qt::Key_Up, Qt::Key_Home, Qt::Key_Left, Qt::Key_Up})
        QTest::keyClick(tree, static_cast<Qt::Key>(key));
    EXPECT_EQ(browser.selectedFolder(), root);
}
