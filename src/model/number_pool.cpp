#include <atomic>
#include <charconv>
#include <climits>
#include <cstdint>
#include <mutex>

#include "model/number_pool.h"

namespace plotaktar {

namespace {

// Numbers are pooled in blocks of 4096; a block is made the first time one of its numbers is
// asked for and then stays, so a text handed out never moves.
constexpr int kBlockBits = 12;
constexpr int kBlockSize = 1 << kBlockBits;
constexpr int kMaxBlocks = (INT_MAX >> kBlockBits) + 1;

struct Block {
    uint32_t offsets[kBlockSize + 1];
    char text[kBlockSize * 10];
};

std::atomic<Block*> g_blocks[kMaxBlocks];
std::mutex g_blockMutex;

Block* MakeBlock(int index) {
    std::lock_guard lock(g_blockMutex);
    Block* block = g_blocks[index].load(std::memory_order_acquire);
    if (block != nullptr) {
        return block;
    }
    block = new Block;
    uint32_t pos = 0;
    int first = index << kBlockBits;
    for (int i = 0; i < kBlockSize; ++i) {
        block->offsets[i] = pos;
        auto result = std::to_chars(block->text + pos, block->text + sizeof block->text, first + i);
        pos = static_cast<uint32_t>(result.ptr - block->text);
    }
    block->offsets[kBlockSize] = pos;
    g_blocks[index].store(block, std::memory_order_release);
    return block;
}

}  // namespace

std::string_view PooledNumberText(int number) {
    if (number < 0) {
        return {};
    }
    int index = number >> kBlockBits;
    Block* block = g_blocks[index].load(std::memory_order_acquire);
    if (block == nullptr) {
        block = MakeBlock(index);
    }
    int i = number & (kBlockSize - 1);
    return {block->text + block->offsets[i], block->offsets[i + 1] - block->offsets[i]};
}

}  // namespace plotaktar
