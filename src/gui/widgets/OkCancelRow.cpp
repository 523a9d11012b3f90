#include "gui/widgets/OkCancelRow.h"

#include "gui/widgets/PushButton.h"

#include <QDialog>
#include <QHBoxLayout>

namespace cravent::gui {

OkCancelRow okCancelRow(QDialog* dialog, const QString& okName, const QString& cancelName,
                        QSize size)
{
    OkCancelRow row{new PushButton(QStringLiteral("OK"), dialog),
                    new PushButton(QStringLiteral("Cancel"), dialog), new QHBoxLayout};
    row.ok->setObjectName(okName);
    row.cancel->setObjectName(cancelName);
    row.ok->setDefault(true);
    for (auto* button : {row.ok, row.cancel}) {
        if (size.isValid())
            button->setFixedSize(size);
    }
    QObject::connect(row.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row.layout->addStretch();
    row.layout->addWidget(row.ok);
    row.layout->addWidget(row.cancel);
    return row;
}

} // namespace cravent::gui
