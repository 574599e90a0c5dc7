#pragma once
// The caption table of the skinned controls, "SimpleChina": the texts the controls show for their
// own buttons, menus, hints and dialogs, as lines of "KEY=Text". The main window hands it to the
// skin data; the controls of this library look their captions up in it.
#include <QString>
#include <QStringList>

namespace quillo {

class TResourceStrData;

// Every row, in table order.
const QStringList& SimpleChinaLines();

// The table as the skin data takes it.
const TResourceStrData& SimpleChina();

// The text of one key ("MSG_BTN_OK" gives " 确  定 "); empty for an unknown key.
QString SkinCaption(const QString& key);

} // namespace quillo
