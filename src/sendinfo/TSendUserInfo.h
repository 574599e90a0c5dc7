#pragma once
// The feedback window.
#include <QDialog>

namespace quillo {

class TSkinButton;

class TSendUserInfo : public QDialog
{
    Q_OBJECT
public:
    explicit TSendUserInfo(QWidget* parent = nullptr);

    TSkinButton* SkinButton1;  // send
    TSkinButton* SkinButton2;  // close
};

} // namespace quillo
