#include "gui/check/FindingsWindow.h"

#include "gui/widgets/Theme.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
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

FindingsWindow::FindingsWindow(const std::vector<check::Finding>& findings, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FindingsWindow"));
    setWindowTitle(QString::fromLatin1(Caption));
    theme::apply(this);
    resize(760, 320);

    const check::Tally tally = check::tally(findings);
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(
        (tally.errors > 0 ? QStringLiteral("The device cannot be built from this project: ")
                          : QStringLiteral("The device will not do everything this project seems to say: ")) +
            QString::fromStdString(check::summaryText(tally)) + QLatin1Char('.'),
        this);
    summary->setObjectName(QStringLiteral("Summary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("Findings"));
    list->setRootIsDecorated(false);
    list->setWordWrap(true);
    list->setHeaderLabels({QStringLiteral("Severity"), QStringLiteral("File"), QStringLiteral("Row"),
                           QStringLiteral("Message")});
    for (const check::Finding& f : findings) {
        auto* item = new QTreeWidgetItem(list);
        item->setIcon(0, iconOf(style(), f.severity));
        item->setText(0, QString::fromLatin1(check::severityName(f.severity)));
        item->setText(1, QString::fromStdString(f.file));
        item->setText(2, f.row ? QString::number(*f.row) : QString());
        item->setText(3, QString::fromStdString(f.message));
        item->setToolTip(3, QString::fromStdString(f.message + "  [" + f.code + "]"));
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->header()->setStretchLastSection(true);
    layout->addWidget(list);

    auto* buttons = new QDialogButtonBox(this);
    if (tally.errors > 0) {
        buttons->addButton(QString::fromLatin1(Close), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(QString::fromLatin1(BuildAnyway), QDialogButtonBox::AcceptRole);
        buttons->addButton(QString::fromLatin1(Cancel), QDialogButtonBox::RejectRole);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool FindingsWindow::confirmBuild(const std::vector<check::Finding>& findings, QWidget* parent)
{
    const check::Tally tally = check::tally(findings);
    if (tally.errors == 0 && tally.warnings == 0)
        return true;
    FindingsWindow window(findings, parent);
    return window.exec() == QDialog::Accepted && tally.errors == 0;
}

} // namespace cravent::gui
