#include "ProgramIcon.h"

#include <QtGlobal>

// The pictures' resources, compiled into this library; named outside any namespace, as rcc names them.
static void initialiseIconResources() {
    Q_INIT_RESOURCE(quarvel_icon);
}

namespace quarvel {

QString programIconResource(int size) {
    static const bool initialised = (initialiseIconResources(), true);
    Q_UNUSED(initialised);
    return QStringLiteral(":/icons/quarvel-%1.png").arg(size);
}

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) icon.addFile(programIconResource(size), QSize(size, size));
    return icon;
}

} // namespace quarvel
