#include "update/TUpdateForm.h"

#include "ui/SkinControls.h"

namespace quillo {

TUpdateForm::TUpdateForm(QWidget* parent)
    : QDialog(parent)
    , SkinButton1(new TSkinButton(QStringLiteral("SkinButton1"), QString(), this))
    , SkinButton2(new TSkinButton(QStringLiteral("SkinButton2"), QString(), this))
{
    setObjectName(QStringLiteral("UpdateForm"));
}

} // namespace quillo
