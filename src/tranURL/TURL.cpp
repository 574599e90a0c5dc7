#include "tranURL/TURL.h"

#include "ui/SkinControls.h"

namespace quillo {

TURL::TURL(QWidget* parent)
    : QDialog(parent)
    , SkinButton1(new TSkinButton(QStringLiteral("SkinButton1"), QString(), this))
{
    setObjectName(QStringLiteral("URL"));
}

} // namespace quillo
