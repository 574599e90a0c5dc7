#include "history/THistoryForm.h"

namespace quillo {

THistoryForm::THistoryForm(HistoryStore* store, QWidget* parent)
    : QDialog(parent)
    , FStore(store)
{
}

} // namespace quillo
