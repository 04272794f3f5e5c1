#include "window/app_icon.h"

#include "core/data_folder.h"

#include <QFileInfo>

namespace vs {

QIcon appIcon()
{
    QIcon icon;
    for (int n : {16, 32, 48, 64, 128, 256}) {
        const QString file = dataFile(QString("desktop/icons/%1x%1/ventiscope.png").arg(n));
        if (QFileInfo::exists(file))
            icon.addFile(file, QSize(n, n));
    }
    if (icon.isNull() && QFileInfo::exists(dataFile("Ventiscope.ico")))
        icon.addFile(dataFile("Ventiscope.ico"));
    return icon;
}

} // namespace vs
