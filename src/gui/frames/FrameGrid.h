#pragma once

#include <QTableWidget>

namespace cravent::gui {

// The frame list's grid as a spreadsheet behaves: column 0 holds the row numbers and never takes
// the cursor; Tab runs along a row and on to the next row's first editable cell; Enter commits
// the cell and moves down, and is never passed on to the dialog.
class FrameGrid : public QTableWidget {
    Q_OBJECT
public:
    FrameGrid(int rows, int columns, QWidget* parent = nullptr);

Q_SIGNALS:
    // The grid's own size changed (after the layout placed it).
    void resized();

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QModelIndex cell(int row, int column) const;
    void moveDown();
};

} // namespace cravent::gui
