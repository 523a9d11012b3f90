#pragma once

#include "core/frames/ImportPlan.h"
#include "gui/widgets/UiServices.h"

#include <optional>
#include <vector>

class QWidget;

namespace cravent::gui {

// What an import plan says, shown the same way in both frame editors.

// A refused plan as one error (its notes, then why nothing was taken with the workbook,
// worksheet and row, then `unchanged` when given); true when the plan was refused.
bool showRefusal(QWidget* parent, UiServices& ui, const frames::ImportSource& source,
                 const std::vector<frames::ImportNote>& notes,
                 const std::optional<frames::ImportRefusal>& refusal,
                 const char* unchanged = nullptr);

// The notes of a plan that was taken, each in a box of its own: a warning for cells that read
// as empty, information for the rest.
void showNotes(QWidget* parent, UiServices& ui, const std::vector<frames::ImportNote>& notes);

} // namespace cravent::gui
