// The corner pieces and the parcel section of the plot file against a model of their rules.
//
// A corner piece: trim the cell; drop its first word when it holds a blank; A is the text
// before the next blank (empty without one) and the trimmed rest remains; B likewise; C is the
// trimmed remainder; the piece is A, blank, B, blank, C, " 0.000 0 0 ".
//
// The whole input is one corner cell; then it also drives a parcel table, a corner table and a
// few layer names, whose parcel section must be exactly the model's lines, or stop at the same
// row with the same message.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/cp1254.h"
#include "model/errors.h"
#include "model/workspace.h"
#include "models.h"
#include "plotfile/plot_writer.h"

namespace {

using namespace plotaktar;
using namespace plotaktar::fuzz;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The text before the first blank, with the trimmed rest left in `text`; without a blank the
// empty text, and `text` stays whole.
std::string_view TakeWord(std::string_view& text) {
    size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        return {};
    }
    std::string_view word = text.substr(0, blank);
    text = ModelTrim(text.substr(blank));
    return word;
}

std::string ModelCornerItem(std::string_view cell) {
    std::string_view text = ModelTrim(cell);
    if (size_t blank = text.find(' '); blank != std::string_view::npos) {
        text = ModelTrim(text.substr(blank + 1));
    }
    std::string_view a = TakeWord(text);
    std::string_view b = TakeWord(text);
    std::string_view c = ModelTrim(text);
    return std::string(a) + " " + std::string(b) + " " + std::string(c) + " 0.000 0 0 ";
}

void CheckPiece(std::string_view cell) {
    Check(CornerItem(cell).text() == ModelCornerItem(cell), "CornerItem differs from the model");
}

// The model's error for a layer-number cell, or "" with its row in `row`.
std::string LayerError(std::string_view cell, int& row) {
    std::optional<int32_t> n = ModelStrToInt(cell);
    if (!n) {
        return "'" + ModelQuote(cell) + "' is not a valid integer value";
    }
    if (*n < 1 || *n > kLayerRows) {
        return "'" + ModelQuote(cell) + Cp1254FromUtf8("' geçerli bir tabaka numarası değil");
    }
    row = *n;
    return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckPiece(std::string_view(reinterpret_cast<const char*>(data), size));

    FuzzedDataProvider input(data, size);
    Workspace ws;
    for (int n = input.ConsumeIntegralInRange(0, 3); n > 0; --n) {
        int row = input.ConsumeIntegralInRange(1, kLayerRows);
        ws.layerTable.setField(row, 3, input.ConsumeRandomLengthString(16));
    }
    Table& parcels = ws.grid(8);
    Table& corners = ws.grid(11);
    const int rows = input.ConsumeIntegralInRange(0, 6);
    parcels.setRowCount(rows + 1);
    for (int j = 1; j <= rows; ++j) {
        for (int col : {1, 2, 4, 5}) {
            parcels.setCell(col, j, input.ConsumeRandomLengthString(12));
        }
        // Keep the corner count small enough to write; its text keeps its form.
        if (std::optional<int32_t> k = ModelStrToInt(parcels.cell(5, j)); k && *k > 64) {
            parcels.setCell(5, j, std::to_string(*k % 65));
        }
        for (int k = input.ConsumeIntegralInRange(0, 6); k > 0; --k) {
            corners.setCell(j, k, input.ConsumeRandomLengthString(48));
        }
    }
    ws.flags.FlagParsel = "1";

    std::string expected;
    std::string expectedError;
    for (int j = 1; j <= rows && expectedError.empty(); ++j) {
        int layerRow = 0;
        expectedError = LayerError(parcels.cell(4, j), layerRow);
        if (!expectedError.empty()) {
            break;
        }
        std::optional<int32_t> count = ModelStrToInt(parcels.cell(5, j));
        if (!count) {
            expectedError = "'" + ModelQuote(parcels.cell(5, j)) + "' is not a valid integer value";
            break;
        }
        expected += "L2  && 0.0000000 0.0000000 " + std::string(parcels.cell(1, j)) + "/" +
                    std::string(parcels.cell(2, j)) + " 19 0 " + ws.layerTable.field(layerRow, 3) +
                    "  0.00000000000000E+0000 0\r\n";
        for (int k = 1; k <= *count; ++k) {
            expected += ModelCornerItem(corners.cell(j, k));
        }
        expected += "\r\n";
    }

    std::string written;
    std::string error;
    try {
        written = PlotFileBytes(ws);
    } catch (const Error& e) {
        error = e.what();
    }
    // what() is a C string: a message that quotes a NUL byte ends there.
    Check(error == expectedError.c_str(), "the parcel section stops unlike the model");
    if (error.empty()) {
        Check(written == expected, "the parcel section differs from the model");
    }
    return 0;
}
