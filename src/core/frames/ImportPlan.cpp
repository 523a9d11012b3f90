#include "core/frames/ImportPlan.h"

namespace cravent::frames {

std::string ImportSource::located(std::size_t row, const std::string& text) const
{
    if (workbook.empty())
        return text;
    return "Workbook \"" + workbook + "\", worksheet \"" + sheet + "\"" +
           (row > 0 ? ", row " + std::to_string(row) : std::string()) + ": " + text;
}

void applyMap(const MapPlan& plan, std::vector<TClPdo>& frames)
{
    for (std::size_t f = 0; f < frames.size(); ++f)
        frames[f].entries =
            f < plan.entries.size() ? plan.entries[f] : std::vector<TClIndMB>{};
}

std::string counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

namespace {

std::string withNotes(std::string text, const std::vector<ImportNote>& notes)
{
    for (const ImportNote& note : notes)
        text += "\n" + note.text;
    return text;
}

} // namespace

std::string takenText(const FrameListPlan& plan)
{
    return withNotes(counted(plan.list.size(), "frame", "frames") + " taken.", plan.notes);
}

std::string takenText(const MapPlan& plan)
{
    return withNotes(counted(plan.registers, "register", "registers") + " taken.", plan.notes);
}

} // namespace cravent::frames
