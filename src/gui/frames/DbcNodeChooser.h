#pragma once

#include "core/common/Direction.h"
#include "core/dbc/DbcImport.h"
#include "gui/widgets/UiServices.h"

#include <QDialog>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QListWidget;

namespace cravent::gui {

// The small list in which the user names the gateway's node of a CAN database, or takes every
// message. Item 0 is "All messages"; the database's nodes follow in file order.
class DbcNodeChooser : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* AllMessages = "All messages (no node)";

    DbcNodeChooser(const std::vector<std::string>& nodes, QWidget* parent = nullptr);

    QListWidget* nodeList() const { return nodes_; }
    // The node picked, or nothing for "All messages".
    std::optional<std::string> node() const;

private:
    QListWidget* nodes_;
};

// True for a file chosen under the "CAN database (*.dbc)" filter: its name ends in .dbc.
bool isDbcFile(const std::filesystem::path& file);

// The frames for the frame list editor from a CAN database: the database is read, the user
// names the node when it names nodes, and the project's CAN type is applied. Refusals and the
// reader's skipped statements are shown; nothing when the import cannot go on (then the editor
// stays as it was).
std::optional<dbc::FrameImport> importDbcFrames(QWidget* parent, UiServices& ui,
                                                const std::filesystem::path& file,
                                                const std::filesystem::path& projectDir,
                                                Direction direction);

// The register map proposed from a CAN database for the frames of the map editor, from one
// above the highest register index they hold. As importDbcFrames; a proposal without any
// register is shown and not returned, so the editor's map stays.
std::optional<dbc::MapImport> proposeDbcMap(QWidget* parent, UiServices& ui,
                                            const std::filesystem::path& file,
                                            const std::filesystem::path& projectDir,
                                            Direction direction,
                                            const std::vector<frames::TClPdo>& frames);

} // namespace cravent::gui
