// Transaction bracket: tracks whether a transaction is open and gives the
// contract's statuses for misplaced calls.
#include "recman.h"

namespace {
bool open_ = false;
}

extern "C" RECMAN_API int BtrTransaction(int op)
{
    switch (op) {
    case B_BEGIN_TRAN:
        if (open_)
            return 37;
        open_ = true;
        return 0;
    case B_END_TRAN:
    case B_ABORT_TRAN:
        if (!open_)
            return 39;
        open_ = false;
        return 0;
    default:
        return B_INVALID_OPERATION;
    }
}
