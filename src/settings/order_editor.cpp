#include "settings/order_editor.h"

namespace quillenta {

OrderEditor::OrderEditor(ItemSequence& sequence) : sequence_(sequence) { RefreshLabels(); }

void OrderEditor::Click(int) {}
void OrderEditor::ClearSequence() {}
void OrderEditor::RemoveEntry(int) {}
void OrderEditor::RefreshLabels() {}

}  // namespace quillenta
