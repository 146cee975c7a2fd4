// A working table under a random sequence of writes, count changes, held and released input
// buffers, moves and compactions, against a map of the texts every cell must show. The import
// stores most cells as views into its files and compacts at its end; a cell that points into a
// buffer gone, or into storage that moved, shows up here as a wrong text or an ASan report.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/table.h"
#include "platform/byte_buffer.h"

namespace {

using namespace plotaktar;

void Check(bool ok, const char* what, int col = -1, int row = -1) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s (cell %d,%d)\n", what, col, row);
        std::abort();
    }
}

std::string NumberText(int n) {
    return std::to_string(n < 0 ? 0 : n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    auto table = std::make_unique<Table>(input.ConsumeIntegralInRange(-1, 12),
                                         input.ConsumeIntegralInRange(-1, 12));
    std::map<std::pair<int, int>, std::string> cells;
    int rows = table->rowCount();
    int cols = table->colCount();
    std::vector<SharedBytes> buffers;  // the ones this test still holds itself
    int longCells = 0;

    auto pickCell = [&] {
        return std::make_pair(input.ConsumeIntegralInRange(0, 24),
                              input.ConsumeIntegralInRange(0, 400));
    };
    for (int step = 0; step < 200 && input.remaining_bytes() > 0; ++step) {
        switch (input.ConsumeIntegralInRange(0, 11)) {
            case 0: {
                auto [c, r] = pickCell();
                std::string text = input.ConsumeRandomLengthString(64);
                table->setCell(c, r, text);
                cells[{c, r}] = text;
                break;
            }
            case 1: {  // a view into an input buffer, as the readers store fields
                if (buffers.empty()) {
                    break;
                }
                const SharedBytes& b =
                    buffers[input.ConsumeIntegralInRange<size_t>(0, buffers.size() - 1)];
                table->holdBuffer(b);
                size_t from = input.ConsumeIntegralInRange<size_t>(0, b->size());
                size_t length = input.ConsumeIntegralInRange<size_t>(0, b->size() - from);
                auto [c, r] = pickCell();
                std::string_view text = b->view().substr(from, length);
                table->setCellSlice(c, r, text);
                cells[{c, r}] = std::string(text);
                break;
            }
            case 2: {  // a slice of a text the table does not hold is copied
                auto [c, r] = pickCell();
                std::string text = input.ConsumeRandomLengthString(64);
                table->setCellSlice(c, r, text);
                cells[{c, r}] = text;
                break;
            }
            case 3:
                rows = input.ConsumeIntegralInRange(-3, 500);
                table->setRowCount(rows);
                rows = rows < 1 ? 1 : rows;
                break;
            case 4:
                cols = input.ConsumeIntegralInRange(-3, 30);
                table->setColCount(cols);
                cols = cols < 1 ? 1 : cols;
                break;
            case 5: {  // a new input file; the test may let go of an older one
                std::string bytes = input.ConsumeRandomLengthString(256);
                auto b = std::make_shared<ByteBuffer>(bytes.size());
                std::copy(bytes.begin(), bytes.end(), b->data());
                buffers.push_back(std::move(b));
                if (buffers.size() > 20 || input.ConsumeBool()) {
                    buffers.erase(buffers.begin());
                }
                break;
            }
            case 6: {  // the end of an import: keep some buffers, release the others
                std::vector<const ByteBuffer*> keep;
                for (const SharedBytes& b : buffers) {
                    if (input.ConsumeBool()) {
                        keep.push_back(b.get());
                    }
                }
                table->releaseBuffersExcept(keep);
                if (input.ConsumeBool()) {
                    buffers.clear();
                }
                break;
            }
            case 7: {
                auto [c, r] = pickCell();
                int n = input.ConsumeIntegralInRange(-5, 2000000);
                table->setCellNumber(c, r, n);
                cells[{c, r}] = NumberText(n);
                break;
            }
            case 8: {  // a copy of one of the table's own cells
                auto [c, r] = pickCell();
                auto [c2, r2] = pickCell();
                std::string expected(table->cell(c2, r2));
                table->setCell(c, r, table->cell(c2, r2));
                cells[{c, r}] = expected;
                break;
            }
            case 9: {  // big texts, overwritten, so that compaction has something to drop
                auto [c, r] = pickCell();
                std::string text(input.ConsumeIntegralInRange<size_t>(0, 400000),
                                 input.ConsumeIntegral<char>());
                table->setCell(c, r, text);
                cells[{c, r}] = text;
                break;
            }
            case 10: {  // a text longer than a cell reference's length field
                if (longCells >= 2) {
                    break;
                }
                ++longCells;
                auto [c, r] = pickCell();
                std::string text((size_t{1} << 24) + input.ConsumeIntegralInRange(0, 9), 'L');
                text[text.size() / 2] = input.ConsumeIntegral<char>();
                if (input.ConsumeBool() && !buffers.empty()) {
                    auto b = std::make_shared<ByteBuffer>(text.size());
                    std::copy(text.begin(), text.end(), b->data());
                    table->holdBuffer(b);
                    table->setCellSlice(c, r, b->view());
                } else {
                    table->setCell(c, r, text);
                }
                // No third copy of 16 MiB: the model takes this one.
                cells[{c, r}] = std::move(text);
                break;
            }
            case 11: {
                auto moved = std::make_unique<Table>(std::move(*table));
                table = std::move(moved);
                break;
            }
        }
        Check(table->rowCount() == rows && table->colCount() == cols, "the counts");
        for (const auto& [at, text] : cells) {
            Check(table->cell(at.first, at.second) == text, "a cell's text", at.first, at.second);
            Check(table->storedRows(at.first) > at.second, "storedRows", at.first, at.second);
        }
        auto [c, r] = pickCell();
        if (cells.find({c, r}) == cells.end()) {
            Check(table->cell(c, r).empty(), "a cell never written", c, r);
        }
    }
    buffers.clear();
    table->releaseBuffersExcept({});
    for (const auto& [at, text] : cells) {
        Check(table->cell(at.first, at.second) == text, "a cell after the last release", at.first,
              at.second);
    }
    return 0;
}
