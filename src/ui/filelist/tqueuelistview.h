#pragma once
#include "tcustomfilelistview.h"

// The queue list: the same control without a scanner; the window gives it the queue model.
class TQueueListView : public TCustomFileListView {
    Q_OBJECT

public:
    explicit TQueueListView(QWidget *parent = nullptr);
};
