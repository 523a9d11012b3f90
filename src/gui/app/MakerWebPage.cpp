#include "gui/app/MakerWebPage.h"

#include <QDesktopServices>

namespace cravent::gui {

QUrl makerWebPage()
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromLatin1(MakerWebAddress));
    url.setPath(QStringLiteral("/HOME/default.asp"));
    url.setQuery(QStringLiteral("frompg=QP40231"));
    return url;
}

void openMakerWebPage()
{
    QDesktopServices::openUrl(makerWebPage());
}

} // namespace cravent::gui
