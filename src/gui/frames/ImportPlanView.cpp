#include "gui/frames/ImportPlanView.h"

#include <string>

namespace cravent::gui {

namespace {

// The plan's texts are clauses the command line joins; a message box shows sentences. A text
// that lists lines ends with its list.
std::string sentence(const std::string& text)
{
    const bool closed = text.empty() || text.back() == '.' || text.find('\n') != std::string::npos;
    return closed ? text : text + ".";
}

} // namespace

bool showRefusal(QWidget* parent, UiServices& ui, const frames::ImportSource& source,
                 const std::vector<frames::ImportNote>& notes,
                 const std::optional<frames::ImportRefusal>& refusal, const char* unchanged)
{
    if (!refusal)
        return false;
    std::string text;
    for (const frames::ImportNote& note : notes)
        text += sentence(note.text) + "\n";
    text += sentence(source.located(refusal->row, refusal->text));
    if (unchanged != nullptr)
        text += std::string("\n") + unchanged;
    ui.messages.show(parent, QString::fromStdString(text), Messages::Icon::Error);
    return true;
}

void showNotes(QWidget* parent, UiServices& ui, const std::vector<frames::ImportNote>& notes)
{
    for (const frames::ImportNote& note : notes)
        ui.messages.show(parent, QString::fromStdString(sentence(note.text)),
                         note.code == "unreadable-cells" ? Messages::Icon::Warning
                                                          : Messages::Icon::Information);
}

} // namespace cravent::gui
