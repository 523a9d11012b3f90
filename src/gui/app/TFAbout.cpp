#include "gui/app/TFAbout.h"

#include "gui/app/MakerWebPage.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

// The logo: a clickable badge that leads to the maker's page, like the link below it.
class Logo : public QLabel {
public:
    explicit Logo(QWidget* parent) : QLabel(parent)
    {
        setObjectName(QStringLiteral("Logo"));
        setFixedSize(64, 64);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0x1F, 0x5F, 0xA8));
        p.setPen(Qt::NoPen);
        p.drawEllipse(rect().adjusted(2, 2, -2, -2));
        p.setPen(Qt::white);
        QFont f = font();
        f.setBold(true);
        f.setPointSize(22);
        p.setFont(f);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("V"));
    }
    void mouseReleaseEvent(QMouseEvent*) override { openMakerWebPage(); }
};

} // namespace

TFAbout::TFAbout(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FAbout"));
    setWindowTitle(QStringLiteral("About..."));
    theme::apply(this);

    auto* heading = new QLabel(QStringLiteral("Software Cravent "), this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSize(10);
    heading->setFont(bold);
    auto* subheading = new QLabel(QStringLiteral("Gateway CAN to Modbus TCP Slave"), this);

    auto* facts = new QGridLayout;
    const char* rows[][2] = {{"Software Code : ", "QP40231"},
                             {"Version :", "1.002"},
                             {"Document Code :", "QD40231"}};
    int row = 0;
    for (const auto& [name, value] : rows) {
        facts->addWidget(new QLabel(QString::fromLatin1(name), this), row, 0);
        facts->addWidget(new QLabel(QString::fromLatin1(value), this), row, 1);
        ++row;
    }

    auto* link = new QLabel(this);
    link->setObjectName(QStringLiteral("Link"));
    link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#0000FF\">%2</a>")
                      .arg(makerWebPage().toString(), QString::fromLatin1(MakerWebAddress)));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QLabel::linkActivated, this, [] { openMakerWebPage(); });

    auto* ok = new PushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setFixedSize(75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(subheading);
    text->addLayout(facts);
    text->addWidget(link);
    auto* top = new QHBoxLayout;
    top->addWidget(new Logo(this), 0, Qt::AlignTop);
    top->addLayout(text);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (beginsShowing(event))
        centreOnScreen(this);
}

} // namespace cravent::gui
