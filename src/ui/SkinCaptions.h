#pragma once
// The captions the skinned controls show for their own buttons, menus and dialogs, by key
// ("MSG_BTN_OK", "EDIT_COPY", ...).
#include <QString>

namespace quillo {

// The text of one key ("MSG_BTN_OK" gives " 确  定 "); empty for an unknown key.
QString SkinCaption(QStringView key);

} // namespace quillo
