#include "gui/frames/DbcNodeChooser.h"

#include "core/common/Error.h"
#include "core/frames/CanType.h"
#include "core/workspace/ProjectFolder.h"
#include "gui/widgets/Theme.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>


namespace cravent::gui {

namespace {

constexpr std::size_t ShownLines = 30;

struct OpenedDbc {
    dbc::Database db;
    std::optional<std::string> node;
};

// The database, read in this process (the reader is our own, bounded and fuzzed), and the
// node the user names; nothing when it cannot be read or the user cancels.
std::optional<OpenedDbc> openDbc(QWidget* parent, UiServices& ui, const std::filesystem::path& file)
{
    OpenedDbc opened;
    try {
        opened.db = dbc::readDbcFile(file);
    } catch (const Error& error) {
        ui.messages.show(parent, QString::fromStdString(error.what()), Messages::Icon::Error);
        return std::nullopt;
    }
    if (opened.db.warningCount > 0)
        ui.messages.show(parent,
                         QString::fromStdString("\"" + file.string() + "\": " +
                                                std::to_string(opened.db.warningCount) +
                                                " statements could not be read and were skipped:\n" +
                                                dbc::warningsText(opened.db, ShownLines)),
                         Messages::Icon::Warning);
    // An empty database asks for no node; its plan says why nothing is taken.
    if (!opened.db.messages.empty() && !opened.db.nodes.empty()) {
        DbcNodeChooser chooser(opened.db.nodes, parent);
        if (chooser.exec() != QDialog::Accepted)
            return std::nullopt;
        opened.node = chooser.node();
    }
    return opened;
}

} // namespace

DbcNodeChooser::DbcNodeChooser(const std::vector<std::string>& nodes, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , nodes_(new QListWidget)
{
    setObjectName(QStringLiteral("DbcNodeChooser"));
    setWindowTitle(QStringLiteral("Gateway node"));
    theme::apply(this);
    nodes_->setObjectName(QStringLiteral("nodes"));
    nodes_->addItem(QString::fromLatin1(AllMessages));
    for (const std::string& node : nodes)
        nodes_->addItem(QString::fromStdString(node));
    nodes_->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(nodes_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The gateway's node in the CAN database:")));
    layout->addWidget(nodes_);
    layout->addWidget(buttons);
}

std::optional<std::string> DbcNodeChooser::node() const
{
    const int row = nodes_->currentRow();
    if (row <= 0)
        return std::nullopt;
    return nodes_->item(row)->text().toStdString();
}

std::optional<frames::FrameListPlan> planDbcFrames(QWidget* parent, UiServices& ui,
                                                   const std::filesystem::path& file,
                                                   const std::filesystem::path& projectDir,
                                                   Direction direction)
{
    const auto opened = openDbc(parent, ui, file);
    if (!opened)
        return std::nullopt;
    try {
        const auto canType = frames::readProjectCanType(ProjectFolder(projectDir).pargen());
        return dbc::planFrames(opened->db, file, direction, opened->node, canType, {});
    } catch (const Error& error) {
        ui.messages.show(parent, QString::fromStdString(error.what()), Messages::Icon::Error);
        return std::nullopt;
    }
}

std::optional<frames::MapPlan> planDbcMap(QWidget* parent, UiServices& ui,
                                          const std::filesystem::path& file,
                                          const std::filesystem::path& projectDir,
                                          Direction direction,
                                          const std::vector<frames::TClPdo>& frames)
{
    const auto opened = openDbc(parent, ui, file);
    if (!opened)
        return std::nullopt;
    try {
        const auto canType = frames::readProjectCanType(ProjectFolder(projectDir).pargen());
        return dbc::planMap(opened->db, file, direction, opened->node, frames, canType,
                            std::nullopt, ShownLines);
    } catch (const Error& error) {
        ui.messages.show(parent, QString::fromStdString(error.what()), Messages::Icon::Error);
        return std::nullopt;
    }
}

} // namespace cravent::gui
