#include "gui/check/FindingsWindow.h"

#include "gui/widgets/Theme.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

QIcon iconOf(const QStyle* style, check::Severity severity)
{
    switch (severity) {
    case check::Severity::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case check::Severity::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case check::Severity::Note:
        break;
    }
    return style->standardIcon(QStyle::SP_MessageBoxInformation);
}

} // namespace

FindingsWindow::FindingsWindow(const check::BuildGate& gate, QWidget* parent)
    : QDialog(parent)
{
    const std::vector<check::Finding>& findings = gate.findings;
    setObjectName(QStringLiteral("FindingsWindow"));
    setWindowTitle(QString::fromLatin1(Caption));
    theme::apply(this);
    resize(760, 320);

    const check::Tally tally = check::tally(findings);
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(
        (!gate.goesOn ? QStringLiteral("The device cannot be built from this project: ")
                          : QStringLiteral("The device will not do everything this project seems to say: ")) +
            QString::fromStdString(check::summaryText(tally)) + QLatin1Char('.'),
        this);
    summary->setObjectName(QStringLiteral("Summary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    list_ = new QTableWidget(static_cast<int>(findings.size()), 4, this);
    list_->setObjectName(QStringLiteral("Findings"));
    list_->setHorizontalHeaderLabels({QStringLiteral("Severity"), QStringLiteral("File"),
                                      QStringLiteral("Row"), QStringLiteral("Message")});
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->verticalHeader()->setVisible(false);
    list_->setWordWrap(true);
    for (int i = 0; i < static_cast<int>(findings.size()); ++i) {
        const check::Finding& f = findings[static_cast<std::size_t>(i)];
        auto* severity = new QTableWidgetItem(iconOf(style(), f.severity),
                                              QString::fromLatin1(check::severityName(f.severity)));
        list_->setItem(i, 0, severity);
        list_->setItem(i, 1, new QTableWidgetItem(QString::fromStdString(f.file)));
        list_->setItem(i, 2, new QTableWidgetItem(f.row ? QString::number(*f.row) : QString()));
        auto* message = new QTableWidgetItem(QString::fromStdString(f.message));
        message->setToolTip(QString::fromStdString(f.message + "  [" + f.code + "]"));
        list_->setItem(i, 3, message);
    }
    // Long messages wrap in the last column instead of being cut.
    for (int column = 0; column < 3; ++column)
        list_->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    list_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    connect(list_->horizontalHeader(), &QHeaderView::sectionResized, list_,
            [this] { list_->resizeRowsToContents(); });
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(this);
    if (!gate.goesOn) {
        buttons->addButton(QString::fromLatin1(Close), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(QString::fromLatin1(BuildAnyway), QDialogButtonBox::AcceptRole);
        buttons->addButton(QString::fromLatin1(Cancel), QDialogButtonBox::RejectRole);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void FindingsWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    list_->resizeRowsToContents();
}

bool FindingsWindow::confirmBuild(const check::BuildGate& gate, QWidget* parent)
{
    FindingsWindow window(gate, parent);
    return window.exec() == QDialog::Accepted && gate.goesOn;
}

} // namespace cravent::gui
