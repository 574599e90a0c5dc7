#pragma once
// The online update window.
#include <QDialog>

namespace quillo {

class TSkinButton;

class TUpdateForm : public QDialog
{
    Q_OBJECT
public:
    explicit TUpdateForm(QWidget* parent = nullptr);

    TSkinButton* SkinButton1;  // start
    TSkinButton* SkinButton2;  // cancel
};

} // namespace quillo
