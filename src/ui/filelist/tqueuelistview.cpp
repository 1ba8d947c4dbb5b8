#include "tqueuelistview.h"

TQueueListView::TQueueListView(QWidget *parent) : TCustomFileListView(parent)
{
}
