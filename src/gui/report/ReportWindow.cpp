#include "gui/report/ReportWindow.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/report/ReportFormats.h"
#include "gui/report/DeviceView.h"
#include "gui/widgets/Theme.h"

#include <QBuffer>
#include <QDialogButtonBox>
#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

QTableWidget* tableOf(const report::Table& table, QWidget* parent)
{
    auto* widget = new QTableWidget(static_cast<int>(table.rows.size()),
                                    static_cast<int>(table.columns.size()), parent);
    QStringList headers;
    for (const std::string& c : table.columns)
        headers << QString::fromStdString(c);
    widget->setHorizontalHeaderLabels(headers);
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        for (std::size_t c = 0; c < table.rows[r].size(); ++c)
            widget->setItem(static_cast<int>(r), static_cast<int>(c),
                            new QTableWidgetItem(QString::fromStdString(table.rows[r][c])));
    widget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    widget->verticalHeader()->setVisible(false);
    widget->horizontalHeader()->setStretchLastSection(true);
    widget->resizeColumnsToContents();
    return widget;
}

} // namespace

ReportWindow::ReportWindow(report::RegisterReport report, std::filesystem::path projectDir,
                           UiServices& ui, QWidget* parent)
    : QDialog(parent), report_(std::move(report)), projectDir_(std::move(projectDir)), ui_(ui)
{
    setObjectName(QStringLiteral("ReportWindow"));
    setWindowTitle(QString::fromLatin1(Caption) + QStringLiteral(" :") +
                   QString::fromStdString(report_.project));
    theme::apply(this);
    resize(820, 480);

    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(QStringLiteral("Register map of %1. Check: %2.")
                                   .arg(QString::fromStdString(report_.project),
                                        QString::fromStdString(
                                            check::summaryText(check::tally(report_.findings)))),
                               this);
    summary->setObjectName(QStringLiteral("Summary"));
    layout->addWidget(summary);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("Tables"));
    for (const report::Table& table : report::tablesOf(report_))
        tabs->addTab(tableOf(table, tabs), QString::fromStdString(table.title));
    // The live view reads the running gateway, real or virtual, that the project is built for.
    tabs->addTab(new DeviceView(projectDir_, tabs), QStringLiteral("Device"));
    // The registers are what the report is read for.
    tabs->setCurrentIndex(3);
    layout->addWidget(tabs);

    auto* buttons = new QDialogButtonBox(this);
    const auto add = [&](const char* caption, void (ReportWindow::*action)()) {
        auto* button = buttons->addButton(QString::fromLatin1(caption), QDialogButtonBox::ActionRole);
        connect(button, &QPushButton::clicked, this, action);
    };
    add("Save as PDF", &ReportWindow::saveAsPdf);
    add("Save as HTML", &ReportWindow::saveAsHtml);
    add("Save as CSV", &ReportWindow::saveAsCsv);
    connect(buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole),
            &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QByteArray ReportWindow::pdfOf(const report::RegisterReport& report)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Register map of ") + QString::fromStdString(report.project));
        writer.setCreator(QStringLiteral("Cravent"));
        QTextDocument document;
        // Laid out with the writer's own metrics, so that columns fit what is printed.
        document.documentLayout()->setPaintDevice(&writer);
        document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
        QFont font = theme::windowFont();
        font.setPointSizeF(8.5);
        document.setDefaultFont(font);
        document.setHtml(QString::fromStdString(report::renderHtml(report)));
        document.print(&writer);
    }
    return bytes;
}

void ReportWindow::save(const char* extension, const QString& filter, const QByteArray& bytes)
{
    const std::filesystem::path suggested =
        projectDir_ / (report_.project + "-registers." + extension);
    const auto file =
        ui_.choosers.chooseSaveFile(this, QString::fromStdString(suggested.string()), filter);
    if (!file)
        return;
    try {
        writeFileAtomically(file->toStdString(), std::string_view(bytes.constData(),
                                                                  static_cast<std::size_t>(bytes.size())));
    } catch (const Error& error) {
        ui_.messages.show(this, QString::fromStdString(error.what()), Messages::Icon::Error);
    }
}

void ReportWindow::saveAsPdf()
{
    save("pdf", QStringLiteral("PDF (*.pdf)"), pdfOf(report_));
}

void ReportWindow::saveAsHtml()
{
    save("html", QStringLiteral("HTML (*.html)"), QByteArray::fromStdString(report::renderHtml(report_)));
}

void ReportWindow::saveAsCsv()
{
    save("csv", QStringLiteral("CSV (*.csv)"), QByteArray::fromStdString(report::renderCsv(report_)));
}

} // namespace cravent::gui
