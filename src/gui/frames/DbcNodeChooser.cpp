#include "gui/frames/DbcNodeChooser.h"

#include "core/common/Error.h"
#include "core/frames/CanType.h"
#include "core/workspace/ProjectFolder.h"
#include "gui/widgets/Theme.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

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
    if (opened.db.messages.empty()) {
        ui.messages.show(parent,
                         QString::fromStdString("\"" + file.string() + "\" holds no CAN message."),
                         Messages::Icon::Error);
        return std::nullopt;
    }
    if (!opened.db.nodes.empty()) {
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

bool isDbcFile(const std::filesystem::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dbc";
}

std::optional<dbc::FrameImport> importDbcFrames(QWidget* parent, UiServices& ui,
                                                const std::filesystem::path& file,
                                                const std::filesystem::path& projectDir,
                                                Direction direction)
{
    const auto opened = openDbc(parent, ui, file);
    if (!opened)
        return std::nullopt;
    try {
        const auto canType = frames::readProjectCanType(ProjectFolder(projectDir).pargen());
        dbc::FrameImport imported = dbc::importFrames(opened->db, direction, opened->node, canType);
        if (const auto note = dbc::leftOutMessage(imported))
            ui.messages.show(parent, QString::fromStdString(*note), Messages::Icon::Information);
        return imported;
    } catch (const Error& error) {
        ui.messages.show(parent, QString::fromStdString(error.what()), Messages::Icon::Error);
        return std::nullopt;
    }
}

std::optional<dbc::MapImport> proposeDbcMap(QWidget* parent, UiServices& ui,
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
        dbc::MapImport proposal = dbc::importMap(opened->db, direction, opened->node, frames, canType,
                                                 dbc::nextFreeRegister(frames));
        const std::string note = dbc::mapNote(proposal, ShownLines);
        if (proposal.registers == 0) {
            ui.messages.show(parent, QString::fromStdString(note + "\nThe map was not changed."),
                             Messages::Icon::Warning);
            return std::nullopt;
        }
        ui.messages.show(parent, QString::fromStdString(note), Messages::Icon::Information);
        return proposal;
    } catch (const Error& error) {
        ui.messages.show(parent, QString::fromStdString(error.what()), Messages::Icon::Error);
        return std::nullopt;
    }
}

} // namespace cravent::gui
