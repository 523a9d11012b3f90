#include "gui/frames/FrameGrid.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace cravent::gui {

namespace {

constexpr int NumberColumn = 0;
constexpr int FirstEditable = 1;

bool isEnter(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

FrameGrid::FrameGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent)
{
    // The text's own height with a small margin, not the style's 30-pixel header sections.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 4);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

QModelIndex FrameGrid::cell(int row, int column) const
{
    return model()->index(std::clamp(row, 0, rowCount() - 1), std::clamp(column, FirstEditable, columnCount() - 1));
}

QModelIndex FrameGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return cell(0, FirstEditable);
    const int row = current.row();
    const int column = current.column();
    const int last = columnCount() - 1;
    switch (cursorAction) {
    case MoveNext:
        if (column >= last)
            return row + 1 < rowCount() ? cell(row + 1, FirstEditable) : current;
        return cell(row, column + 1);
    case MovePrevious:
        if (column <= FirstEditable)
            return row > 0 ? cell(row - 1, last) : current;
        return cell(row, column - 1);
    case MoveLeft:
        return cell(row, column - 1);
    case MoveHome:
        if (modifiers & Qt::ControlModifier)
            return cell(0, FirstEditable);
        return cell(row, FirstEditable);
    default: {
        const QModelIndex moved = QTableWidget::moveCursor(cursorAction, modifiers);
        return moved.isValid() && moved.column() == NumberColumn ? cell(moved.row(), FirstEditable) : moved;
    }
    }
}

void FrameGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // A click on a row number puts the cursor on that row's first cell instead.
    if (current.isValid() && current.column() == NumberColumn) {
        setCurrentIndex(cell(current.row(), FirstEditable));
        return;
    }
    QTableWidget::currentChanged(current, previous);
}

void FrameGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableWidget::closeEditor(editor, hint);
    // The editor ends with this hint on Enter.
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        moveDown();
}

void FrameGrid::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(event)) {
        // While a cell is edited, its editor commits and closeEditor moves down.
        if (state() != EditingState)
            moveDown();
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void FrameGrid::moveDown()
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() + 1 < rowCount())
        setCurrentIndex(cell(current.row() + 1, current.column()));
}

void FrameGrid::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    emit resized();
}

} // namespace cravent::gui
