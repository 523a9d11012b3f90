#pragma once

#include "core/dbc/DbcImport.h"
#include "core/sheets/SheetImport.h"
#include "core/sheets/SheetReaderClient.h"
#include "gui/widgets/UiServices.h"

#include <QFile>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string_view>

namespace cravent::gui {

// OpenExcel, the file-open dialog of Import in both frame editors: it opens in the project
// folder with the .xls filter first; a CAN database may be chosen too. Nothing when the user
// cancels.
inline std::optional<std::filesystem::path> chooseWorkbook(QWidget* parent, UiServices& ui,
                                                           const std::filesystem::path& projectDir)
{
    QStringList filters;
    for (const char* filter : sheets::WorkbookFilters)
        filters << QString::fromLatin1(filter);
    filters << QString::fromLatin1(dbc::DbcFilter);
    const auto chosen =
        ui.choosers.chooseOpenFile(parent, QString::fromStdString(projectDir.string()), filters);
    if (!chosen)
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(*chosen).toStdString());
}

} // namespace cravent::gui
