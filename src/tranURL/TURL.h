#pragma once
// The web page translation window.
#include <QDialog>

namespace quillo {

class TSkinButton;

class TURL : public QDialog
{
    Q_OBJECT
public:
    explicit TURL(QWidget* parent = nullptr);

    TSkinButton* SkinButton1;  // start
};

} // namespace quillo
