#include "workspace/pendingwork.h"

static struct {
    bool due[PendingKindCount];
} PendingWork;

void NotePending(PendingKind kind)
{
    PendingWork.due[kind] = true;
}

bool TakePending(PendingKind kind)
{
    bool due = PendingWork.due[kind];
    PendingWork.due[kind] = false;
    return due;
}
