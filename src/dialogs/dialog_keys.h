#pragma once

class QDialog;

namespace vs {

// The settings dialogs' keys: no button takes Enter (Enter belongs to the
// box it is typed in), and Tab goes through the fields in reading order,
// group by group and row by row. Set up once the dialog is first shown and
// laid out.
void settleDialogKeys(QDialog& dialog);

} // namespace vs
