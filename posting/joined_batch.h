// A write batch that joins the caller's record-manager transaction when one
// is already open (the begin then gives 37): the caller's commit or abort
// decides for both.
#pragma once

#include "bwps/table.h"

namespace bwps {

class JoinedBatch {
public:
    static constexpr int kInTransaction = 37;
    bool Ok() const { return batch_.Begun().Ok() || joined_; }
    const Status& Begun() const { return batch_.Begun(); }
    Status Commit() { return batch_.Active() ? batch_.Commit() : Status{}; }

private:
    WriteBatch batch_;
    bool joined_ = batch_.Begun().Is(kInTransaction);
};

}  // namespace bwps
