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

// The plan of a frame list import from a CAN database: the database is read, the user names
// the node when it names nodes, and the core plans the import for the project's CAN type.
// Nothing when the database cannot be read or the chooser is cancelled (said or asked already).
std::optional<frames::FrameListPlan> planDbcFrames(QWidget* parent, UiServices& ui,
                                                   const std::filesystem::path& file,
                                                   const std::filesystem::path& projectDir,
                                                   Direction direction);

// The plan of a map import from a CAN database for the frames of the map editor, from one above
// the highest register index they hold. As planDbcFrames.
std::optional<frames::MapPlan> planDbcMap(QWidget* parent, UiServices& ui,
                                          const std::filesystem::path& file,
                                          const std::filesystem::path& projectDir,
                                          Direction direction,
                                          const std::vector<frames::TClPdo>& frames);

} // namespace cravent::gui
