#include "gui/frames/ListBoxClicks.h"

#include <QEvent>
#include <QListWidget>

namespace cravent::gui {

namespace {

// Remembers which row was current when a mouse button went down, so that a click on that same
// row, which changes no selection, still counts as a pick.
class PressedRow : public QObject {
public:
    explicit PressedRow(QListWidget* list) : QObject(list), list_(list) { list->viewport()->installEventFilter(this); }
    int row = -1;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            row = list_->currentRow();
        return QObject::eventFilter(watched, event);
    }

private:
    QListWidget* list_;
};

} // namespace

void onListBoxClick(QListWidget* list, std::function<void()> handler)
{
    auto* pressed = new PressedRow(list);
    QObject::connect(list, &QListWidget::currentRowChanged, list, [handler](int row) {
        if (row >= 0)
            handler();
    });
    QObject::connect(list, &QListWidget::clicked, list, [pressed, handler](const QModelIndex& index) {
        if (index.row() == pressed->row)
            handler();
    });
}

} // namespace cravent::gui
