#pragma once

class QEvent;
class QTreeWidget;

// Shows the whole text of the item under the pointer when the view cuts it
// short; true when the event was a tooltip request it answered.
bool showElidedTextTip(QTreeWidget& view, QEvent* event);
