#pragma once

#include "core/report/RegisterReport.h"
#include "gui/widgets/UiServices.h"

#include <QByteArray>
#include <QDialog>

#include <filesystem>

namespace cravent::gui {

// The register map report of the current project as tables, to be saved for the PLC or SCADA
// programmer as a printable PDF (A4), a self-contained HTML page or the register map as CSV.
class ReportWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Project report";

    ReportWindow(report::RegisterReport report, std::filesystem::path projectDir, UiServices& ui,
                 QWidget* parent = nullptr);

    void saveAsPdf();
    void saveAsHtml();
    void saveAsCsv();

    // The report as an A4 PDF document.
    static QByteArray pdfOf(const report::RegisterReport& report);

private:
    void save(const char* extension, const QString& filter, const QByteArray& bytes);

    report::RegisterReport report_;
    std::filesystem::path projectDir_;
    UiServices& ui_;
};

} // namespace cravent::gui
