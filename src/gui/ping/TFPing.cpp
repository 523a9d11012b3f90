#include "gui/ping/TFPing.h"

#include "gui/ping/PingPictures.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace cravent::gui {

namespace {

constexpr int PictureSize = 41;
constexpr int DesignWidth = 218;
constexpr int DesignHeight = 98;
constexpr int LabelLeft = 64;
constexpr int Margin = 16;
// What a window manager's title bar needs beside the caption's text: the window's icon, three
// buttons and their padding (openbox's default "NLIMC" layout needs 111 px at its 8-pt font).
constexpr int TitleBarExtra = 120;
// The largest bold title font among common window managers' defaults (GNOME's is 11 pt): the
// caption is measured in it, or in the dialog's own font when that is larger.
constexpr qreal TitleFontPoints = 11.0;
constexpr int OkWidth = 121;

} // namespace

TFPing::TFPing(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FPing"));
    setWindowTitle(QStringLiteral("Ping!"));
    theme::apply(this);
    setFixedSize(DesignWidth, DesignHeight);

    errorPicture_ = picture("I_P_E", errorSign(PictureSize));
    foundPicture_ = picture("I_P_F", informationSign(PictureSize));
    notFoundPicture_ = picture("I_P_NF", warningSign(PictureSize));

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->move(LabelLeft, 24);

    ok_ = new PushButton(QStringLiteral("OK"), this, theme::HoverYellow);
    ok_->setObjectName(QStringLiteral("LbButton1"));
    ok_->setGeometry((DesignWidth - OkWidth) / 2, 64, OkWidth, 23);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* TFPing::picture(const char* name, const QPixmap& pixmap)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(pixmap);
    label->setGeometry(16, 16, PictureSize, PictureSize);
    label->hide();
    return label;
}

void TFPing::SetPingResult(int code, const QString& caption, const QString& label)
{
    errorPicture_->hide();
    foundPicture_->hide();
    notFoundPicture_->hide();
    if (code == 0)
        foundPicture_->show();
    else if (code == 1)
        notFoundPicture_->show();
    else if (code == 2)
        errorPicture_->show();
    label1_->setText(label);
    label1_->adjustSize();
    setWindowTitle(caption);
    // Wide enough for the whole label and for the caption in a window manager's title bar.
    QFont titleFont = font();
    titleFont.setBold(true);
    if (titleFont.pointSizeF() < TitleFontPoints)
        titleFont.setPointSizeF(TitleFontPoints);
    const int width = std::max({DesignWidth, LabelLeft + label1_->width() + Margin,
                                QFontMetrics(titleFont).horizontalAdvance(caption) + TitleBarExtra});
    setFixedSize(width, DesignHeight);
    ok_->move((width - OkWidth) / 2, ok_->y());
}

void TFPing::SetPingResult(net::PingOutcome outcome)
{
    SetPingResult(static_cast<int>(outcome), QString::fromLatin1(net::pingCaption(outcome)),
                  QString::fromLatin1(net::pingLabel(outcome)));
}

void TFPing::showEvent(QShowEvent* event)
{
    // Centred on the screen rather than on the main window.
    if (beginsShowing(event)) {
        centreOnScreen(this);
        ok_->setFocus();
    }
    QDialog::showEvent(event);
}

} // namespace cravent::gui
