#pragma once

#include <QDialog>

namespace cravent::gui {

// The About dialog: product, version and document codes and the maker's link.
class TFAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFAbout(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace cravent::gui
