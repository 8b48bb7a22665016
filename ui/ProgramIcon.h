#pragma once

#include <QIcon>
#include <QString>

namespace quarvel {

/// Where the program's icon lies among the program's resources, in `size` pixels square (16, 32, 48, 256).
QString programIconResource(int size);

/// The program's own icon, drawn from dist/quarvel.svg at build time and compiled into the program: the
/// windows show it on every system, whatever icon theme the desktop has.
QIcon programIcon();

} // namespace quarvel
