#include "ProgramIcon.h"

namespace hf {

QIcon programIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/handfolio-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/handfolio-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/handfolio-48.png"), QSize(48, 48));
    icon.addFile(QStringLiteral(":/icons/handfolio.svg"));
    return icon;
}

}  // namespace hf
