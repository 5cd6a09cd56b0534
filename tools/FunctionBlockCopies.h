// The function blocks of a data file as a host receives them: copies that the receiver frees,
// freed here when the holder goes.
#pragma once

#include <vector>

#include "model/DataFile.h"

namespace vqdf::tools {

class FunctionBlockCopies {
public:
    explicit FunctionBlockCopies(IDataFile& file) { file.GetSpecAdvUserSeq(&blocks_); }
    ~FunctionBlockCopies() {
        for (FunctionBlock* block : blocks_) {
            delete[] block->Expansion;
            delete[] block->InputParameterIdList;
            delete[] block->OutputParameterIdList;
            delete block;
        }
    }
    FunctionBlockCopies(const FunctionBlockCopies&) = delete;
    FunctionBlockCopies& operator=(const FunctionBlockCopies&) = delete;

    const std::vector<FunctionBlock*>& Blocks() const { return blocks_; }

private:
    std::vector<FunctionBlock*> blocks_;
};

}  // namespace vqdf::tools
