// The function blocks of a data file as a host receives them: copies that the receiver frees,
// freed here when the holder goes.
#pragma once

#include <vector>

#include "model/DataFile.h"

namespace vqdf {

class FunctionBlockCopies {
public:
    explicit FunctionBlockCopies(IDataFile& file) { file.GetSpecAdvUserSeq(&blocks_); }
    ~FunctionBlockCopies() {
        for (FunctionBlock* block : blocks_) {
            Free(block);
        }
    }
    FunctionBlockCopies(const FunctionBlockCopies&) = delete;
    FunctionBlockCopies& operator=(const FunctionBlockCopies&) = delete;

    const std::vector<FunctionBlock*>& Blocks() const { return blocks_; }

    // A copy and its three arrays, freed as their receiver must free them.
    static void Free(FunctionBlock* block) {
        delete[] block->Expansion;
        delete[] block->InputParameterIdList;
        delete[] block->OutputParameterIdList;
        delete block;
    }

private:
    std::vector<FunctionBlock*> blocks_;
};

}  // namespace vqdf
